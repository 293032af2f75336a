// The models hold UTF-8 texts; Qt widgets hold QString.
#pragma once

#include <QString>
#include <string_view>

namespace zelvoro::ui::qt {

inline QString from_utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace zelvoro::ui::qt
