// The save-file dialog's filter, from the window logic's "description|pattern|" pairs to the
// name filters of QFileDialog ("description (pattern);;...").
#pragma once

#include <QString>
#include <string_view>

namespace zelvoro::ui::qt {

// A description that already shows its pattern in parentheses is kept as it stands; otherwise
// the pattern is added in parentheses. Patterns separated by ";" become space-separated. A
// description without a pattern is dropped.
QString name_filters(std::string_view filter);

} // namespace zelvoro::ui::qt
