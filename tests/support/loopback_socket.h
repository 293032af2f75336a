// TCP sockets on 127.0.0.1 for test servers; closed when destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::test_support {

class LoopbackSocket {
public:
    // Listening on a free port.
    static LoopbackSocket listening();
    // Bound to a free port but not listening: connections to that port are refused.
    static LoopbackSocket bound();
    // Connected to `port`, or nothing.
    static std::optional<LoopbackSocket> connect(std::uint16_t port);

    LoopbackSocket(LoopbackSocket&& other) noexcept;
    LoopbackSocket& operator=(LoopbackSocket&&) = delete;
    ~LoopbackSocket();

    std::uint16_t port() const;
    std::optional<LoopbackSocket> accept() const;
    // False when the peer has gone before everything was sent.
    bool send_all(std::string_view bytes) const;
    // At most `limit` bytes; empty once the peer has closed the connection (or on an error).
    std::string receive(std::size_t limit) const;

private:
    explicit LoopbackSocket(std::intptr_t handle) : handle_(handle) {}

    std::intptr_t handle_; // the system's socket, -1 when there is none
};

} // namespace zelvoro::test_support
