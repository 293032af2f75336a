// Which network namespace this process is in, as far as it can tell.
#pragma once

namespace zelvoro::platform {

enum class NetworkNamespace {
    host,    // the namespace of process 1: the machine's own
    other,   // a namespace of its own (one "ip netns add" made, or another than process 1's)
    unknown, // process 1's namespace cannot be inspected (a desktop user; root in some sandboxes)
};

NetworkNamespace this_network_namespace();

} // namespace zelvoro::platform
