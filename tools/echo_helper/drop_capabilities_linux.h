// Giving up every capability for good, once the sockets that needed one are open.
#pragma once

namespace zelvoro::echo_helper {

// Empties the bounding set as far as this process may (that needs CAP_SETPCAP, which a helper
// started by root holds and a helper with only its file capability does not), the ambient,
// inheritable, permitted and effective sets, and sets no-new-privileges so that no program
// started later could gain any. False when a capability is left.
bool drop_capabilities();

} // namespace zelvoro::echo_helper
