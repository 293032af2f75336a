#include "scripted_adapters.h"

#include <cstdlib>
#include <string_view>
#include <windows.h>

namespace zelvoro::scenario {

namespace {

// Wine's own ntdll exports its version; Windows' does not.
bool under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

// Under Wine the management service cannot change the host's adapters.
bool real_adapters_allowed(std::string& why_not) {
    const char* allowed = std::getenv("ZELVORO_ALLOW_REAL_ADAPTERS");
    if ((allowed != nullptr && std::string_view(allowed) == "1") || under_wine()) {
        return true;
    }
    why_not = "real adapters would change this machine: set ZELVORO_ALLOW_REAL_ADAPTERS=1";
    return false;
}

} // namespace zelvoro::scenario
