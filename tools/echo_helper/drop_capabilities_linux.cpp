#include "drop_capabilities_linux.h"

#include <memory>
#include <sys/capability.h>
#include <sys/prctl.h>

namespace zelvoro::echo_helper {

namespace {

struct CapFree {
    void operator()(cap_t capabilities) const { cap_free(capabilities); }
};
using Capabilities = std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree>;

} // namespace

bool drop_capabilities() {
    // The bounding set goes first, while CAP_SETPCAP may still be held; a drop refused for the
    // lack of it leaves nothing this process could use once no-new-privileges is set.
    for (cap_value_t capability = 0; capability < cap_max_bits(); ++capability) {
        cap_drop_bound(capability);
    }
    // The kernel empties the ambient set with the permitted one anyway; this says so outright.
    cap_reset_ambient();
    const Capabilities none(cap_init());
    if (!none || cap_set_proc(none.get()) != 0) {
        return false;
    }
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return false;
    }
    const Capabilities held(cap_get_proc());
    return held && cap_compare(none.get(), held.get()) == 0;
}

} // namespace zelvoro::echo_helper
