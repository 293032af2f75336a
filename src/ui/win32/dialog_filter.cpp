#include "ui/win32/dialog_filter.h"

#include <vector>

namespace zelvoro::ui::win32 {

namespace {

std::vector<std::wstring_view> pieces_of(std::wstring_view filter) {
    std::vector<std::wstring_view> pieces;
    while (!filter.empty()) {
        const std::size_t bar = filter.find(L'|');
        pieces.push_back(filter.substr(0, bar));
        filter = bar == std::wstring_view::npos ? std::wstring_view() : filter.substr(bar + 1);
    }
    return pieces;
}

} // namespace

std::wstring dialog_filter(std::wstring_view filter) {
    const std::vector<std::wstring_view> pieces = pieces_of(filter);
    std::wstring result;
    for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) {
        result.append(pieces[i]).push_back(L'\0');
        result.append(pieces[i + 1]).push_back(L'\0');
    }
    if (!result.empty()) {
        result.push_back(L'\0');
    }
    return result;
}

} // namespace zelvoro::ui::win32
