// The save-file dialog's filter, from the window logic's "description|pattern|" pairs to the
// form GetSaveFileNameW takes: each string followed by a NUL, the list ended by a second NUL.
#pragma once

#include <string>
#include <string_view>

namespace zelvoro::ui::win32 {

// A final description without its pattern is dropped; an empty filter gives an empty text
// (the dialog then has no filter).
std::wstring dialog_filter(std::wstring_view filter);

} // namespace zelvoro::ui::win32
