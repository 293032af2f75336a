#include "scripted_adapters.h"

#include <windows.h>

namespace zelvoro::scenario {

// Under Wine the management service cannot change the host's adapters; Wine's own ntdll
// exports its version, Windows' does not.
bool cannot_change_this_machine(std::string& why_not) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr) {
        return true;
    }
    why_not = "real adapters would change this machine: set ZELVORO_ALLOW_REAL_ADAPTERS=1";
    return false;
}

} // namespace zelvoro::scenario
