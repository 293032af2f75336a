// An echo service over one ICMP socket opened up front: a program that holds CAP_NET_RAW opens
// its socket, gives up every capability, and sweeps after that (the echo helper).
#pragma once

#include "platform/echo.h"

#include <memory>

namespace zelvoro::platform {

// Opens a ping socket where the caller's group may, a raw socket otherwise; nothing when neither
// can be opened. Every sweep goes over that socket.
std::unique_ptr<EchoService> open_echo_socket();

} // namespace zelvoro::platform
