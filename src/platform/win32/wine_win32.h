// Whether this Windows process runs under Wine: Wine's own ntdll exports its version, Windows'
// does not.
#pragma once

#include <windows.h>

namespace zelvoro::platform {

inline bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace zelvoro::platform
