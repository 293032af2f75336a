// The operating-system services the windows use, handed to them when they are created.
#pragma once

#include "platform/adapters/adapters.h"
#include "platform/address_table.h"
#include "platform/diagnostics.h"
#include "platform/echo.h"
#include "platform/http/http.h"
#include "platform/names.h"
#include "platform/neighbours.h"
#include "platform/shell.h"

namespace zelvoro::platform {

struct Services {
    ShellOpen& shell;
    EchoService& echo;
    AddressTable& address_table;
    HttpClient& http;
    AdapterService& adapters;
    NeighbourService& neighbours;
    NameService& names;
    // Where the reason behind a failure goes.
    Diagnostics& diagnostics;
};

} // namespace zelvoro::platform
