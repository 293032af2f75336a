// The operating-system services the windows use, handed to them when they are created.
#pragma once

#include "platform/echo.h"
#include "platform/shell.h"

namespace zelvoro::platform {

struct Services {
    ShellOpen& shell;
    EchoService& echo;
};

} // namespace zelvoro::platform
