// The profile of every octet field of the main window.
#include "scanner/frm_iptest_layout.h"

#include <array>

namespace zelvoro::scanner {

namespace {

using enum ui::ZeroRule;
using enum ui::RangeMessage;
using enum ui::OutOfRange;
using ui::Hint;
using ui::KeyProfile;
using ui::OctetProfile;
using ui::StepCondition::always;

// clang-format off
constexpr std::array change{
    //           field    zero     range      out of range next     step    hint
    OctetProfile{"txbf1", cleared, up_to_254, emptied,    "txbf2", always, Hint::show},
    OctetProfile{"txbf2", kept,    up_to_254, emptied,    "txbf3", always, Hint::hide},
    OctetProfile{"txbf3", kept,    up_to_254, emptied,    "txbf4", always},
    OctetProfile{"txbf4", kept,    up_to_255, emptied,    ""},     // a valid octet fills the end row
    OctetProfile{"txbe4", kept,    up_to_254, set_to_255, ""},
};

constexpr std::array keys{
    KeyProfile{"txbf1", true, "txbf2"},
    KeyProfile{"txbf2", true, "txbf3"},
    KeyProfile{"txbf3", true, "txbf4"},
    KeyProfile{"txbe3", true, "txbf4"}, // back to the start row's last octet
};
// clang-format on

} // namespace

const ui::OctetFieldTable frm_iptest_octet_fields{change, keys};

} // namespace zelvoro::scanner
