// The settings window's design-time layout, in twips; controls in a frame sit relative to it.
#include "ipset/frm_ipset_layout.h"

#include <array>

namespace zelvoro::ipset {

namespace {

using enum ui::ControlKind;
using ui::ControlLayout;
constexpr auto purple = ui::TextStyle::accent;

// clang-format off
constexpr std::array controls{
    //            name          kind      caption             container left  top   width height tab locked style
    ControlLayout{"Frame1",     frame,    "使用下面的IP地址", "",       120,  240,  3855, 2055, 0,  false, purple},
    ControlLayout{"lblIP",      label,    "IP地 址：",        "Frame1", 120,  360,  975,  255,  1,  false, purple},
    ControlLayout{"txbf1",      text_box, "",                 "Frame1", 1560, 360,  500,  375,  11},
    ControlLayout{"txbf2",      text_box, "",                 "Frame1", 2040, 360,  500,  375,  10},
    ControlLayout{"txbf3",      text_box, "",                 "Frame1", 2520, 360,  500,  375,  9},
    ControlLayout{"txbf4",      text_box, "",                 "Frame1", 3000, 360,  500,  375,  8},
    ControlLayout{"lblsubnet",  label,    "子网掩码：",       "Frame1", 120,  960,  975,  255,  2,  false, purple},
    ControlLayout{"txbsub1",    text_box, "",                 "Frame1", 1560, 900,  500,  375,  12},
    ControlLayout{"txbsub2",    text_box, "",                 "Frame1", 2040, 900,  500,  375,  13},
    ControlLayout{"txbsub3",    text_box, "",                 "Frame1", 2520, 900,  500,  375,  14},
    ControlLayout{"txbsub4",    text_box, "",                 "Frame1", 3000, 900,  500,  375,  15},
    ControlLayout{"lblgateIP",  label,    "默认网关：",       "Frame1", 120,  1560, 975,  255,  3,  false, purple},
    ControlLayout{"txbe1",      text_box, "",                 "Frame1", 1560, 1440, 500,  375,  7,  true},
    ControlLayout{"txbe2",      text_box, "",                 "Frame1", 2040, 1440, 500,  375,  6,  true},
    ControlLayout{"txbe3",      text_box, "",                 "Frame1", 2520, 1440, 500,  375,  5,  true},
    ControlLayout{"txbe4",      text_box, "",                 "Frame1", 3000, 1440, 500,  375,  4},
    ControlLayout{"cmdok",      button,   "确定",             "",       240,  2520, 885,  375,  33},
    ControlLayout{"cmdresetip", button,   "重置",             "",       1635, 2520, 855,  375,  32},
    ControlLayout{"cmdlocal2",  button,   "本机IP",           "",       3000, 2520, 855,  375,  31},
    ControlLayout{"Frame2",     frame,    "使用下面的DNS",    "",       120,  3120, 3855, 1815, 16, false, purple},
    ControlLayout{"lbldns1",    label,    "首选DNS服务器：",  "Frame2", 120,  600,  1455, 255,  20, false, purple},
    ControlLayout{"txbdnsf1",   text_box, "",                 "Frame2", 1560, 480,  500,  375,  22},
    ControlLayout{"txbdnsf2",   text_box, "",                 "Frame2", 2040, 480,  500,  375,  23},
    ControlLayout{"txbdnsf3",   text_box, "",                 "Frame2", 2520, 480,  500,  375,  24},
    ControlLayout{"txbdnsf4",   text_box, "",                 "Frame2", 3000, 480,  500,  375,  25},
    ControlLayout{"lbldns2",    label,    "备用DNS服务器：",  "Frame2", 120,  1200, 1455, 255,  21, false, purple},
    ControlLayout{"txbdnse1",   text_box, "",                 "Frame2", 1560, 1080, 500,  375,  26},
    ControlLayout{"txbdnse2",   text_box, "",                 "Frame2", 2040, 1080, 500,  375,  27},
    ControlLayout{"txbdnse3",   text_box, "",                 "Frame2", 2520, 1080, 500,  375,  28},
    ControlLayout{"txbdnse4",   text_box, "",                 "Frame2", 3000, 1080, 500,  375,  29},
    ControlLayout{"cmdok2",     button,   "确定",             "",       240,  5160, 735,  375,  17},
    ControlLayout{"cmdresetsub",button,   "重置",             "",       1200, 5160, 735,  375,  18},
    ControlLayout{"cmdback",    button,   "返回",             "",       2160, 5160, 735,  375,  30},
    ControlLayout{"cmdcancle",  button,   "退出",             "",       3120, 5160, 735,  375,  19},
};
// clang-format on

} // namespace

const ui::WindowLayout frm_ipset_layout{
    .name = "frmIpset",
    .caption = "Zelvoro->IP地址设置",
    .client_width = 4050,
    .client_height = 5850,
    .controls = controls,
};

FrmIpsetControls::FrmIpsetControls(const ui::Window& window)
    : ip_row(window, {"txbf1", "txbf2", "txbf3", "txbf4"}),
      mask_row(window, {"txbsub1", "txbsub2", "txbsub3", "txbsub4"}),
      gateway_row(window, {"txbe1", "txbe2", "txbe3", "txbe4"}),
      preferred_dns_row(window, {"txbdnsf1", "txbdnsf2", "txbdnsf3", "txbdnsf4"}),
      alternate_dns_row(window, {"txbdnse1", "txbdnse2", "txbdnse3", "txbdnse4"}),
      cmdok(window.button("cmdok")), cmdresetip(window.button("cmdresetip")),
      cmdlocal2(window.button("cmdlocal2")), cmdok2(window.button("cmdok2")),
      cmdresetsub(window.button("cmdresetsub")), cmdback(window.button("cmdback")),
      cmdcancle(window.button("cmdcancle")) {}

} // namespace zelvoro::ipset
