#include "platform/win32/wine_win32.h"
#include "scripted_adapters.h"

namespace zelvoro::scenario {

// Under Wine the management service cannot change the host's adapters.
bool cannot_change_this_machine(std::string& why_not) {
    if (platform::running_under_wine()) {
        return true;
    }
    why_not = "real adapters would change this machine: set ZELVORO_ALLOW_REAL_ADAPTERS=1";
    return false;
}

} // namespace zelvoro::scenario
