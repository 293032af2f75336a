// A small HTTP server on 127.0.0.1 for tests: it serves one connection at a time, records
// each request's head and answers with the reply set for the request's path (404 for others),
// then closes the connection. Hostile replies: silence, a trickle, a stream without end.
#pragma once

#include "support/loopback_socket.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zelvoro::test_support {

struct HttpReply {
    // Sent one after another, each with a send of its own.
    std::vector<std::string> pieces;
    // After the pieces, sends nothing more and keeps the connection open until the server
    // stops (a client that gave up may not close it).
    bool hold = false;
    // The last piece is sent again and again until the client closes the connection or the
    // server stops.
    bool endless = false;
    // Before every piece but the first.
    std::chrono::milliseconds pause{0};
};

// A complete response with a Content-Length.
HttpReply http_response(std::string_view body, std::string_view status = "200 OK",
                        std::string_view extra_headers = "");

// A chunked response, one chunk (and one piece) per part of the body.
HttpReply chunked_http_response(const std::vector<std::string>& body_parts);

class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::map<std::string, HttpReply, std::less<>> replies);
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
    ~LoopbackHttpServer();

    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(std::string_view path) const;
    // Every request head received so far (the request line and the header lines, each ending
    // in CR LF), in order.
    std::vector<std::string> request_heads() const;

private:
    void serve();
    void answer(const LoopbackSocket& connection);

    LoopbackSocket listener_;
    std::map<std::string, HttpReply, std::less<>> replies_;
    mutable std::mutex mutex_;
    std::vector<std::string> heads_;
    std::atomic<bool> stopping_{false};
    std::condition_variable stopped_;
    std::thread thread_;
};

} // namespace zelvoro::test_support
