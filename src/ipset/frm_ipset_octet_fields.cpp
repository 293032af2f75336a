// The profile of every octet field of the settings window.
#include "ipset/frm_ipset_layout.h"

#include <array>

namespace zelvoro::ipset {

namespace {

using enum ui::ZeroRule;
using enum ui::RangeMessage;
using enum ui::OutOfRange;
using enum ui::StepCondition;
using ui::KeyProfile;
using ui::OctetProfile;

// The IP and mask rows hold their focus moves back while an address is handed over. A valid
// host octet (txbf4) prefills the mask and the gateway; a gateway host octet (txbe4) is
// refused while the host octet is 1.
// clang-format off
constexpr std::array change{
    //           field       zero     range      out of range   next        step
    OctetProfile{"txbf1",    cleared, up_to_254, emptied,       "txbf2",    unless_held},
    OctetProfile{"txbf2",    kept,    up_to_254, emptied,       "txbf3",    unless_held},
    OctetProfile{"txbf3",    kept,    up_to_255, emptied,       "txbf4",    unless_held},
    OctetProfile{"txbf4",    refused, up_to_255, emptied,       ""},
    OctetProfile{"txbe4",    refused, up_to_255, emptied,       ""},
    OctetProfile{"txbsub1",  cleared, up_to_254, kept_in_field, "txbsub2",  unless_held},
    OctetProfile{"txbsub2",  kept,    up_to_254, kept_in_field, "txbsub3",  unless_held},
    OctetProfile{"txbsub3",  kept,    up_to_254, kept_in_field, "txbsub4",  unless_held},
    OctetProfile{"txbsub4",  kept,    up_to_254, kept_in_field, ""},
    OctetProfile{"txbdnsf1", cleared, up_to_255, emptied,       "txbdnsf2", always},
    OctetProfile{"txbdnsf2", kept,    up_to_255, emptied,       "txbdnsf3", always},
    OctetProfile{"txbdnsf3", kept,    up_to_255, emptied,       "txbdnsf4", always},
    OctetProfile{"txbdnsf4", refused, up_to_255, emptied,       ""},
    OctetProfile{"txbdnse1", cleared, up_to_255, emptied,       "txbdnse2", always},
    OctetProfile{"txbdnse2", kept,    up_to_255, emptied,       "txbdnse3", always},
    OctetProfile{"txbdnse3", kept,    up_to_255, emptied,       "txbdnse4", always},
    OctetProfile{"txbdnse4", refused, up_to_255, emptied,       ""},
};

constexpr std::array keys{
    KeyProfile{"txbf1",    true,  "txbf2"},
    KeyProfile{"txbf2",    true,  "txbf3"},
    KeyProfile{"txbf3",    true,  "txbf4"},
    KeyProfile{"txbe1",    false, "txbe2"}, // the gateway row reacts to Enter alone
    KeyProfile{"txbe2",    false, "txbe3"},
    KeyProfile{"txbe3",    false, "txbf4"}, // back to the IP row's last octet
    KeyProfile{"txbsub1",  true,  "txbsub2"},
    KeyProfile{"txbsub2",  true,  "txbsub3"},
    KeyProfile{"txbsub3",  true,  "txbsub4"},
    KeyProfile{"txbdnsf1", true,  "txbdnsf2"},
    KeyProfile{"txbdnsf2", true,  "txbdnsf3"},
    KeyProfile{"txbdnsf3", true,  "txbdnsf4"},
    KeyProfile{"txbdnse1", true,  "txbdnse2"},
    KeyProfile{"txbdnse2", true,  "txbdnse3"},
    KeyProfile{"txbdnse3", true,  "txbdnse4"},
};
// clang-format on

} // namespace

const ui::OctetFieldTable frm_ipset_octet_fields{change, keys};

} // namespace zelvoro::ipset
