#include "support/loopback_http_server.h"

#include <cstdio>
#include <thread>

namespace zelvoro::test_support {

namespace {

constexpr std::string_view head_end = "\r\n\r\n";
constexpr std::size_t receive_size = 4096;

std::string chunk_size_line(std::size_t size) {
    char line[24];
    std::snprintf(line, sizeof line, "%zx\r\n", size);
    return line;
}

// The request line and header lines (each ending in CR LF), or what came before the client
// closed the connection.
std::string receive_head(const LoopbackSocket& connection) {
    std::string received;
    while (received.find(head_end) == std::string::npos) {
        const std::string more = connection.receive(receive_size);
        if (more.empty()) {
            break;
        }
        received += more;
    }
    const std::size_t end = received.find(head_end);
    return received.substr(0, end == received.npos ? end : end + 2); // the last line's CR LF
}

// "GET /path HTTP/1.1" gives "/path".
std::string_view request_path(std::string_view head) {
    const std::size_t start = head.find(' ');
    if (start == head.npos) {
        return {};
    }
    const std::size_t end = head.find(' ', start + 1);
    return head.substr(start + 1, end == head.npos ? head.npos : end - start - 1);
}

} // namespace

HttpReply http_response(std::string_view body, std::string_view status,
                        std::string_view extra_headers) {
    std::string head = "HTTP/1.1 " + std::string(status) +
                       "\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\nConnection: close\r\n" + std::string(extra_headers) + "\r\n";
    return {{head + std::string(body)}};
}

HttpReply chunked_http_response(const std::vector<std::string>& body_parts) {
    HttpReply reply{{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"}};
    for (const std::string& part : body_parts) {
        reply.pieces.push_back(chunk_size_line(part.size()) + part + "\r\n");
    }
    reply.pieces.emplace_back("0\r\n\r\n");
    return reply;
}

LoopbackHttpServer::LoopbackHttpServer(std::map<std::string, HttpReply, std::less<>> replies)
    : listener_(LoopbackSocket::listening()), replies_(std::move(replies)),
      thread_([this] { serve(); }) {}

LoopbackHttpServer::~LoopbackHttpServer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    LoopbackSocket::connect(listener_.port()); // wakes the accept
    thread_.join();
}

std::string LoopbackHttpServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(listener_.port()) + std::string(path);
}

std::vector<std::string> LoopbackHttpServer::request_heads() const {
    const std::lock_guard lock(mutex_);
    return heads_;
}

void LoopbackHttpServer::serve() {
    for (;;) {
        const auto connection = listener_.accept();
        if (stopping_ || !connection) {
            return;
        }
        answer(*connection);
    }
}

void LoopbackHttpServer::answer(const LoopbackSocket& connection) {
    const std::string head = receive_head(connection);
    {
        const std::lock_guard lock(mutex_);
        heads_.push_back(head);
    }
    const auto found = replies_.find(request_path(head));
    const HttpReply reply =
        found != replies_.end() ? found->second : http_response("", "404 Not Found");
    for (std::size_t index = 0; index < reply.pieces.size(); ++index) {
        if (index > 0) {
            std::this_thread::sleep_for(reply.pause); // the trickle itself, not a wait for it
        }
        if (!connection.send_all(reply.pieces[index])) {
            return;
        }
    }
    while (reply.endless && !reply.pieces.empty() && !stopping_) {
        std::this_thread::sleep_for(reply.pause);
        if (!connection.send_all(reply.pieces.back())) {
            return;
        }
    }
    if (reply.hold) {
        std::unique_lock lock(mutex_);
        stopped_.wait(lock, [this] { return stopping_.load(); });
    }
}

} // namespace zelvoro::test_support
