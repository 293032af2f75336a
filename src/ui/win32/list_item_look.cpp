#include "ui/win32/list_item_look.h"

#include <algorithm>

namespace zelvoro::ui::win32 {

namespace {

constexpr int text_indent = 2; // pixels between the item's left edge and its text

} // namespace

SystemColours system_colours() {
    return {.window = GetSysColor(COLOR_WINDOW),
            .window_text = GetSysColor(COLOR_WINDOWTEXT),
            .highlight = GetSysColor(COLOR_HIGHLIGHT),
            .highlight_text = GetSysColor(COLOR_HIGHLIGHTTEXT)};
}

ItemColours item_colours(UINT item_state, bool warning, const SystemColours& system) {
    if ((item_state & ODS_SELECTED) != 0) {
        return {system.highlight_text, system.highlight};
    }
    return {warning ? warning_colour : system.window_text, system.window};
}

void paint_list_item(HDC dc, const RECT& item, std::wstring_view text, UINT item_state,
                     bool warning) {
    const ItemColours colours = item_colours(item_state, warning, system_colours());
    const COLORREF previous_text = SetTextColor(dc, colours.text);
    const COLORREF previous_background = SetBkColor(dc, colours.background);
    ExtTextOutW(dc, item.left + text_indent, item.top, ETO_OPAQUE | ETO_CLIPPED, &item, text.data(),
                static_cast<UINT>(text.size()), nullptr);
    if ((item_state & ODS_FOCUS) != 0 && (item_state & ODS_NOFOCUSRECT) == 0) {
        DrawFocusRect(dc, &item);
    }
    SetTextColor(dc, previous_text);
    SetBkColor(dc, previous_background);
}

std::string item_tooltip(const std::vector<std::optional<ListItemNote>>& notes,
                         LRESULT item_from_point) {
    if (HIWORD(item_from_point) != 0) {
        return {};
    }
    const std::size_t index = LOWORD(item_from_point);
    if (index >= notes.size() || !notes[index]) {
        return {};
    }
    return notes[index]->tooltip;
}

std::vector<std::size_t> changed_notes(const std::vector<std::optional<ListItemNote>>& shown,
                                       const std::vector<std::optional<ListItemNote>>& now) {
    std::vector<std::size_t> changed;
    const std::size_t count = std::max(shown.size(), now.size());
    for (std::size_t index = 0; index < count; ++index) {
        const bool in_both = index < shown.size() && index < now.size();
        if (!in_both || shown[index] != now[index]) {
            changed.push_back(index);
        }
    }
    return changed;
}

} // namespace zelvoro::ui::win32
