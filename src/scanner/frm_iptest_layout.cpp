// The main window's design-time layout, in twips; controls in a frame sit relative to it.
#include "scanner/frm_iptest_layout.h"

#include <array>

namespace zelvoro::scanner {

namespace {

using enum ui::ControlKind;
using ui::ControlLayout;

// clang-format off
constexpr std::array controls{
    //            name         kind         caption                      container  left  top   width height tab locked
    ControlLayout{"lblmes",    label,       "",                          "",        240,  240,  3495, 375,  22},
    ControlLayout{"Frame1",    frame,       "输入起始IP地址",            "",        240,  720,  3495, 855,  15},
    ControlLayout{"txbf1",     text_box,    "",                          "Frame1",  720,  360,  500,  375,  19},
    ControlLayout{"txbf2",     text_box,    "",                          "Frame1",  1200, 360,  500,  375,  18},
    ControlLayout{"txbf3",     text_box,    "",                          "Frame1",  1680, 360,  500,  375,  17},
    ControlLayout{"txbf4",     text_box,    "",                          "Frame1",  2160, 360,  500,  375,  16},
    ControlLayout{"Frame2",    frame,       "输入结束IP地址",            "",        240,  1800, 3495, 855,  10},
    ControlLayout{"txbe1",     text_box,    "",                          "Frame2",  720,  360,  500,  375,  14, true},
    ControlLayout{"txbe2",     text_box,    "",                          "Frame2",  1200, 360,  500,  375,  13, true},
    ControlLayout{"txbe3",     text_box,    "",                          "Frame2",  1680, 360,  500,  375,  12, true},
    ControlLayout{"txbe4",     text_box,    "",                          "Frame2",  2160, 360,  500,  375,  11},
    ControlLayout{"cmdgetnet", button,      "网络IP",                    "",        240,  2880, 855,  375,  0},
    ControlLayout{"cmdget",    button,      "本机IP",                    "",        1080, 2880, 855,  375,  1},
    ControlLayout{"btntest",   button,      "检测",                      "",        2040, 2880, 855,  375,  20},
    ControlLayout{"cmdclear",  button,      "重置IP",                    "",        2880, 2880, 855,  375,  3},
    ControlLayout{"Frame3",    frame,       "能PING通IP列表",            "",        120,  3480, 3735, 1935, 8},
    ControlLayout{"List1",     list_box,    "",                          "Frame3",  120,  240,  3495, 1500, 9},
    ControlLayout{"lblmes2",   label,       "",                          "",        240,  5520, 3735, 255,  21},
    ControlLayout{"Frame4",    frame,       "不能PING通(或未用)IP列表",  "",        120,  6000, 3735, 1695, 5},
    ControlLayout{"List2",     list_box,    "",                          "Frame4",  120,  240,  3495, 1320, 6},
    ControlLayout{"btndaochu", button,      "导出P通结果",               "",        120,  7800, 1215, 375,  7},
    ControlLayout{"Command1",  button,      "导出不通结果",              "",        1440, 7800, 1335, 375,  4},
    ControlLayout{"cmdipset",  button,      "设置IP",                    "",        2880, 7800, 975,  375,  2},
    ControlLayout{"Label1",    label,       "Zelvoro 网络工具小组 出品", "",        840,  8400, 2295, 255,  23},
    ControlLayout{"Label2",    label,       "zelvoro.example",           "",        960,  8640, 1935, 255,  24, false,
                  ui::TextStyle::link},
    ControlLayout{"cdlview",   save_dialog, "",                          ""},
};
// clang-format on

} // namespace

const ui::WindowLayout frm_iptest_layout{
    .name = "frmIPtest",
    .caption = "Zelvoro网段检测工具",
    .client_width = 4005,
    .client_height = 9000,
    .controls = controls,
};

FrmIPtestControls::FrmIPtestControls(const ui::Window& window)
    : start_row(window, {"txbf1", "txbf2", "txbf3", "txbf4"}),
      end_row(window, {"txbe1", "txbe2", "txbe3", "txbe4"}), lblmes(window.label("lblmes")),
      lblmes2(window.label("lblmes2")), Label1(window.label("Label1")),
      Label2(window.label("Label2")), cmdgetnet(window.button("cmdgetnet")),
      cmdget(window.button("cmdget")), btntest(window.button("btntest")),
      cmdclear(window.button("cmdclear")), btndaochu(window.button("btndaochu")),
      Command1(window.button("Command1")), cmdipset(window.button("cmdipset")),
      List1(window.list_box("List1")), List2(window.list_box("List2")),
      cdlview(window.save_dialog("cdlview")) {}

} // namespace zelvoro::scanner
