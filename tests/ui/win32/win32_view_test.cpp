// The Win32 view's conversions: twips to pixels at the window's DPI, the save-file dialog's
// filter, and which typed characters a text box drops.
#include "ui/win32/char_filter.h"
#include "ui/win32/dialog_filter.h"
#include "ui/win32/twip_scale.h"

#include <gtest/gtest.h>
#include <string>

namespace zelvoro::ui::win32 {
namespace {

const ControlLayout frame1{"Frame1", ControlKind::frame, "", "", 240, 720, 3495, 855, 15};
const ControlLayout txbf1{"txbf1", ControlKind::text_box, "", "Frame1", 720, 360, 500, 375, 19};

TEST(TwipScale, ControlInFrameSitsRelativeToItAtEachDpi) {
    const PixelRect at_96 = control_rect(txbf1, &frame1, 96);
    EXPECT_EQ(at_96.x, 16 + 48);
    EXPECT_EQ(at_96.y, 48 + 24);
    EXPECT_EQ(at_96.width, 33); // 33.3
    EXPECT_EQ(at_96.height, 25);
    const PixelRect at_144 = control_rect(txbf1, &frame1, 144);
    EXPECT_EQ(at_144.x, 24 + 72);
    EXPECT_EQ(at_144.y, 72 + 36);
    EXPECT_EQ(at_144.width, 50);
    EXPECT_EQ(at_144.height, 38); // 37.5 rounds up
    const PixelRect alone = control_rect(txbf1, nullptr, 96);
    EXPECT_EQ(alone.x, 48);
    EXPECT_EQ(alone.y, 24);
}

TEST(TwipScale, ClientAreaOfTheMainWindow) {
    const WindowLayout main{"frmIPtest", "", 4005, 9000, {}};
    EXPECT_EQ(client_rect(main, 96).width, 267);
    EXPECT_EQ(client_rect(main, 96).height, 600);
    EXPECT_EQ(client_rect(main, 144).width, 401); // 400.5
    EXPECT_EQ(client_rect(main, 144).height, 900);
}

// The whole literal, its embedded NULs included (not its own terminator).
template <std::size_t N> std::wstring with_nuls(const wchar_t (&text)[N]) {
    return std::wstring(text, N - 1);
}

TEST(DialogFilter, PairsBecomeNulTerminatedStringsEndedByASecondNul) {
    EXPECT_EQ(dialog_filter(L"txt文件 (*.txt)|*.txt|"), with_nuls(L"txt文件 (*.txt)\0*.txt\0\0"));
    EXPECT_EQ(dialog_filter(L"A|*.a|B|*.b;*.c|"), with_nuls(L"A\0*.a\0B\0*.b;*.c\0\0"));
}

TEST(DialogFilter, MissingFinalBarDanglingDescriptionAndEmptyFilter) {
    EXPECT_EQ(dialog_filter(L"A|*.a"), with_nuls(L"A\0*.a\0\0"));
    EXPECT_EQ(dialog_filter(L"A|*.a|B"), with_nuls(L"A\0*.a\0\0"));
    EXPECT_EQ(dialog_filter(L""), L"");
}

TEST(CharFilter, KeypadPointThatMovedTheFocusIsDroppedOnce) {
    CharFilter filter;
    filter.key_down(key_code::keypad_decimal_point, true);
    EXPECT_TRUE(filter.drops(L'.'));
    EXPECT_FALSE(filter.drops(L'5'));
}

TEST(CharFilter, PointsThatDidNotMoveTheFocusReachTheBox) {
    CharFilter filter;
    filter.key_down(key_code::keypad_decimal_point, false);
    EXPECT_FALSE(filter.drops(L'.'));
    filter.key_down(key_code::period, true);
    EXPECT_FALSE(filter.drops(L'.'));
    // A pending drop ends with the next key, whose character is its own.
    filter.key_down(key_code::keypad_decimal_point, true);
    filter.key_down('7', false);
    EXPECT_FALSE(filter.drops(L'7'));
}

TEST(CharFilter, LineBreaksNeverReachASingleLineBox) {
    CharFilter filter;
    filter.key_down(key_code::enter, true);
    EXPECT_TRUE(filter.drops(L'\r'));
    EXPECT_TRUE(filter.drops(L'\n'));
    EXPECT_TRUE(text_box_wants_key(key_code::enter));
    EXPECT_FALSE(text_box_wants_key(9)); // Tab stays the dialog navigation's
}

} // namespace
} // namespace zelvoro::ui::win32
