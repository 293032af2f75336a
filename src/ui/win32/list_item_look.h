// How the Win32 view shows a list item's note: an owner-drawn item painted as the system paints
// a list item, with a warning's text in the warning colour while the item is not selected, and
// the note's tooltip for the item under the mouse.
#pragma once

#include "ui/controls.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

namespace zelvoro::ui::win32 {

// Items whose note is a warning: a device uses an address that looked free.
constexpr COLORREF warning_colour = RGB(192, 64, 0);

// The system's colours for list items.
struct SystemColours {
    COLORREF window;
    COLORREF window_text;
    COLORREF highlight;
    COLORREF highlight_text;
};
SystemColours system_colours();

struct ItemColours {
    COLORREF text;
    COLORREF background;

    friend bool operator==(const ItemColours&, const ItemColours&) = default;
};

// The colours of an item in the state WM_DRAWITEM gives (ODS_SELECTED counts): the system's,
// with a warning's text in the warning colour while the item is not selected.
ItemColours item_colours(UINT item_state, bool warning, const SystemColours& system);

// Paints the whole item (background, text in the font selected into `dc`, and the focus
// rectangle for ODS_FOCUS unless ODS_NOFOCUSRECT).
void paint_list_item(HDC dc, const RECT& item, std::wstring_view text, UINT item_state,
                     bool warning);

// The tooltip of the item that LB_ITEMFROMPOINT found; empty outside the items (the high word
// set: below the last item, or an empty list) and for an item without a note.
std::string item_tooltip(const std::vector<std::optional<ListItemNote>>& notes,
                         LRESULT item_from_point);

// The items whose note differs between the notes a list shows and the model's (an item only
// one of them has counts), ascending: the ones to paint again when a mark arrives late.
std::vector<std::size_t> changed_notes(const std::vector<std::optional<ListItemNote>>& shown,
                                       const std::vector<std::optional<ListItemNote>>& now);

} // namespace zelvoro::ui::win32
