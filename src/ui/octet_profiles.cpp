// The profile of every octet field of both windows.
#include "ui/octet_fields.h"

#include <array>

namespace zelvoro::ui {

namespace {

using enum ZeroRule;
using enum RangeMessage;
using enum OutOfRange;
using enum StepCondition;
using enum InRangeAction;

// clang-format off
constexpr std::array main_change{
    //           field    zero     range      out of range next     step    in-range action    hint
    OctetProfile{"txbf1", cleared, up_to_254, emptied,    "txbf2", always, none,              Hint::show},
    OctetProfile{"txbf2", kept,    up_to_254, emptied,    "txbf3", always, none,              Hint::hide},
    OctetProfile{"txbf3", kept,    up_to_254, emptied,    "txbf4", always},
    OctetProfile{"txbf4", kept,    up_to_255, emptied,    "",      always, copy_start_to_end},
    OctetProfile{"txbe4", kept,    up_to_254, set_to_255, ""},
};

constexpr std::array main_keys{
    KeyProfile{"txbf1", true, "txbf2"},
    KeyProfile{"txbf2", true, "txbf3"},
    KeyProfile{"txbf3", true, "txbf4"},
    KeyProfile{"txbe3", true, "txbf4"}, // back to the start row's last octet
};

constexpr std::array settings_change{
    OctetProfile{"txbf1",    cleared, up_to_254, emptied, "txbf2",    while_nothing_picked},
    OctetProfile{"txbf2",    kept,    up_to_254, emptied, "txbf3",    while_nothing_picked},
    OctetProfile{"txbf3",    kept,    up_to_255, emptied, "txbf4",    while_nothing_picked},
    OctetProfile{"txbf4",    refused, up_to_255, emptied, "",         always, prefill_mask_and_gateway},
    OctetProfile{"txbe4",    refused, up_to_255, emptied, "",         always, no_gateway_for_host_one},
    OctetProfile{"txbsub1",  cleared, up_to_254, kept_in_field, "txbsub2",  while_nothing_picked},
    OctetProfile{"txbsub2",  kept,    up_to_254, kept_in_field, "txbsub3",  while_nothing_picked},
    OctetProfile{"txbsub3",  kept,    up_to_254, kept_in_field, "txbsub4",  while_nothing_picked},
    OctetProfile{"txbsub4",  kept,    up_to_254, kept_in_field, ""},
    OctetProfile{"txbdnsf1", cleared, up_to_255, emptied, "txbdnsf2", always},
    OctetProfile{"txbdnsf2", kept,    up_to_255, emptied, "txbdnsf3", always},
    OctetProfile{"txbdnsf3", kept,    up_to_255, emptied, "txbdnsf4", always},
    OctetProfile{"txbdnsf4", refused, up_to_255, emptied, ""},
    OctetProfile{"txbdnse1", cleared, up_to_255, emptied, "txbdnse2", always},
    OctetProfile{"txbdnse2", kept,    up_to_255, emptied, "txbdnse3", always},
    OctetProfile{"txbdnse3", kept,    up_to_255, emptied, "txbdnse4", always},
    OctetProfile{"txbdnse4", refused, up_to_255, emptied, ""},
};

constexpr std::array settings_keys{
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

const OctetFieldTable main_window_octet_fields{main_change, main_keys};
const OctetFieldTable settings_window_octet_fields{settings_change, settings_keys};

} // namespace zelvoro::ui
