// A list item with a note: the colours it is painted in, the tooltip found under the mouse, and
// the items painted again when notes change.
#include "ui/win32/list_item_look.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace zelvoro::ui::win32 {
namespace {

// System colours no system uses, so that each one shows where it went.
const SystemColours distinct{.window = RGB(1, 2, 3),
                             .window_text = RGB(4, 5, 6),
                             .highlight = RGB(7, 8, 9),
                             .highlight_text = RGB(10, 11, 12)};

TEST(ListItemColours, WarningTextInTheWarningColourUnlessSelected) {
    const ItemColours warned{RGB(192, 64, 0), distinct.window};
    EXPECT_EQ(item_colours(0, true, distinct), warned);
    EXPECT_EQ(item_colours(ODS_FOCUS, true, distinct), warned);
    const ItemColours selected{distinct.highlight_text, distinct.highlight};
    EXPECT_EQ(item_colours(ODS_SELECTED, true, distinct), selected);
    EXPECT_EQ(item_colours(ODS_SELECTED | ODS_FOCUS, true, distinct), selected);
}

TEST(ListItemColours, ItemsWithoutWarningInTheSystemColours) {
    EXPECT_EQ(item_colours(ODS_FOCUS, false, distinct),
              (ItemColours{distinct.window_text, distinct.window}));
    EXPECT_EQ(item_colours(ODS_SELECTED, false, distinct),
              (ItemColours{distinct.highlight_text, distinct.highlight}));
}

TEST(ListItemTooltip, NoteOfTheItemUnderTheMouse) {
    const std::vector<std::optional<ListItemNote>> notes{
        ListItemNote{"0a:1b:2c:3d:4e:5f", "may be taken", true}, std::nullopt,
        ListItemNote{"02:00:5e:00:00:06", "MAC 02:00:5e:00:00:06", false}};
    EXPECT_EQ(item_tooltip(notes, MAKELRESULT(0, 0)), "may be taken");
    EXPECT_EQ(item_tooltip(notes, MAKELRESULT(2, 0)), "MAC 02:00:5e:00:00:06");
    EXPECT_EQ(item_tooltip(notes, MAKELRESULT(1, 0)), "");
    // Below the last item the list names the nearest one, with the high word set.
    EXPECT_EQ(item_tooltip(notes, MAKELRESULT(2, 1)), "");
    // An empty list answers 0x1FFFF.
    EXPECT_EQ(item_tooltip({}, MAKELRESULT(0xFFFF, 1)), "");
    EXPECT_EQ(item_tooltip(notes, MAKELRESULT(3, 0)), "");
}

TEST(ListItemNotes, OnlyTheItemsWhoseNoteChangedArePaintedAgain) {
    using Notes = std::vector<std::optional<ListItemNote>>;
    const ListItemNote mac{"02:00:5e:00:00:06", "MAC 02:00:5e:00:00:06", false};
    const ListItemNote warned{"0a:1b:2c:3d:4e:5f", "may be taken", true};
    const ListItemNote shared{"0a:1b:2c:3d:4e:5f", "answers for several", false};
    const ListItemNote named{
        "0a:1b:2c:3d:4e:5f", "may be taken\n主机名: nas (DNS)", true, {"主机名: nas (DNS)"}};
    struct Case {
        const char* name;
        Notes shown, now;
        std::vector<std::size_t> changed;
    };
    const std::vector<Case> cases = {
        {"nothing new", {mac, std::nullopt}, {mac, std::nullopt}, {}},
        {"a late mark", {mac, std::nullopt, std::nullopt}, {mac, std::nullopt, warned}, {2}},
        {"a warning turned plain", {warned, warned}, {shared, warned}, {0}},
        {"the list refilled", {mac}, {std::nullopt, std::nullopt}, {0, 1}},
        {"the list emptied", {std::nullopt, mac}, {}, {0, 1}},
        {"a name joined a mark", {mac, warned}, {mac, named}, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(changed_notes(c.shown, c.now), c.changed);
    }
}

} // namespace
} // namespace zelvoro::ui::win32
