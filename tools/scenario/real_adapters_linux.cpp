#include "platform/linux/network_namespace_linux.h"
#include "scripted_adapters.h"

namespace zelvoro::scenario {

bool cannot_change_this_machine(std::string& why_not) {
    switch (platform::this_network_namespace()) {
    case platform::NetworkNamespace::other:
        return true;
    case platform::NetworkNamespace::host:
        why_not = "real adapters would change this machine: run in a network namespace";
        return false;
    case platform::NetworkNamespace::unknown:
        break;
    }
    why_not = "cannot tell whether this runs in a network namespace of its own; set "
              "ZELVORO_ALLOW_REAL_ADAPTERS=1 inside one";
    return false;
}

} // namespace zelvoro::scenario
