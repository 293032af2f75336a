#include "platform/linux/netlink_route_linux.h"

#include "platform/linux/errno_text_linux.h"
#include "platform/platform_error.h"

#include <algorithm>
#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace zelvoro::platform::netlink {

namespace {

// Larger than any datagram the kernel sends in a dump (it fills at most 32 KiB per datagram).
constexpr std::size_t receive_buffer_size = 64 * 1024;
// A dump reported as interrupted by a concurrent change is made again, at most this often.
constexpr int dump_attempts = 5;

[[noreturn]] void fail(const char* what, int error, std::string_view reason = {}) {
    throw PlatformError(std::string("rtnetlink ") + what + ": " + errno_text(error) +
                        (reason.empty() ? "" : ": " + std::string(reason)));
}

template <typename Plain> Plain read_at(std::span<const std::byte> bytes, std::size_t offset) {
    Plain value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

constexpr std::size_t aligned(std::size_t size) {
    return (size + NLMSG_ALIGNTO - 1) & ~(NLMSG_ALIGNTO - 1);
}

// Hands each message of `datagram` (its header and payload) to `visit` until it returns false.
template <typename Visit> void for_each_message(std::span<const std::byte> datagram, Visit visit) {
    std::size_t offset = 0;
    while (offset + sizeof(nlmsghdr) <= datagram.size()) {
        const auto header = read_at<nlmsghdr>(datagram, offset);
        if (header.nlmsg_len < sizeof(nlmsghdr) || offset + header.nlmsg_len > datagram.size()) {
            fail("receive", EBADMSG);
        }
        const auto payload =
            datagram.subspan(offset + NLMSG_HDRLEN, header.nlmsg_len - NLMSG_HDRLEN);
        offset += aligned(header.nlmsg_len);
        if (!visit(header, payload)) {
            return;
        }
    }
}

Reply reply_of(const nlmsghdr& header, std::span<const std::byte> payload) {
    return Reply(header.nlmsg_type, std::vector<std::byte>(payload.begin(), payload.end()));
}

} // namespace

void Request::append(std::span<const std::byte> bytes) {
    payload_.insert(payload_.end(), bytes.begin(), bytes.end());
    payload_.resize(aligned(payload_.size()));
}

void Request::add(std::uint16_t type, std::span<const std::byte> value) {
    const rtattr header{static_cast<unsigned short>(sizeof(rtattr) + value.size()), type};
    append(std::as_bytes(std::span(&header, 1)));
    append(value);
}

std::optional<std::span<const std::byte>> Attributes::find(std::uint16_t type) const {
    std::size_t offset = 0;
    while (offset + sizeof(rtattr) <= bytes_.size()) {
        const auto header = read_at<rtattr>(bytes_, offset);
        if (header.rta_len < sizeof(rtattr) || offset + header.rta_len > bytes_.size()) {
            return std::nullopt;
        }
        // The top bits flag nested and byte-order-converted attributes.
        if ((header.rta_type & NLA_TYPE_MASK) == type) {
            return bytes_.subspan(offset + sizeof(rtattr), header.rta_len - sizeof(rtattr));
        }
        offset += aligned(header.rta_len);
    }
    return std::nullopt;
}

std::optional<Ipv4Address> Attributes::address(std::uint16_t type) const {
    const auto value = find(type);
    if (!value || value->size() != 4) {
        return std::nullopt;
    }
    return read_at<Ipv4Address>(*value, 0);
}

std::optional<std::string> Attributes::text(std::uint16_t type) const {
    const auto value = find(type);
    if (!value) {
        return std::nullopt;
    }
    std::string result(reinterpret_cast<const char*>(value->data()), value->size());
    result.resize(result.find('\0') == std::string::npos ? result.size() : result.find('\0'));
    return result;
}

Attributes Reply::attributes(std::size_t header_size) const {
    const std::size_t start = std::min(aligned(header_size), payload_.size());
    return Attributes(std::span(payload_).subspan(start));
}

namespace {

// The kernel's reason in the extended acknowledgement of an error or done message; empty when
// it gave none. An error message holds the error value and the request's header, then the
// request's payload unless the kernel capped it, then the acknowledgement's attributes.
std::string acknowledgement_reason(const nlmsghdr& header, std::span<const std::byte> payload) {
    if ((header.nlmsg_flags & NLM_F_ACK_TLVS) == 0) {
        return {};
    }
    std::size_t start = sizeof(int);
    if (header.nlmsg_type == NLMSG_ERROR) {
        if (payload.size() < sizeof(nlmsgerr)) {
            return {};
        }
        const auto error = read_at<nlmsgerr>(payload, 0);
        const bool capped = (header.nlmsg_flags & NLM_F_CAPPED) != 0;
        start =
            sizeof(nlmsgerr) +
            (capped ? 0 : std::max<std::size_t>(error.msg.nlmsg_len, NLMSG_HDRLEN) - NLMSG_HDRLEN);
    }
    start = aligned(start);
    if (start >= payload.size()) {
        return {};
    }
    return Attributes(payload.subspan(start)).text(NLMSGERR_ATTR_MSG).value_or("");
}

} // namespace

std::vector<std::byte> request_message(const Request& request, std::uint16_t extra_flags,
                                       std::uint32_t sequence) {
    const nlmsghdr header{
        static_cast<std::uint32_t>(NLMSG_HDRLEN + request.payload().size()), request.type(),
        static_cast<std::uint16_t>(request.flags() | NLM_F_REQUEST | extra_flags), sequence, 0};
    const auto payload = request.payload();
    // Sized once: GCC 12 at -O3 takes an insert after the header for a write past it.
    std::vector<std::byte> message(NLMSG_HDRLEN + payload.size());
    std::memcpy(message.data(), &header, sizeof header);
    std::copy(payload.begin(), payload.end(), message.begin() + NLMSG_HDRLEN);
    return message;
}

// NLM_F_REPLACE has the value of NLM_F_ROOT (part of NLM_F_DUMP): whether an answer is a dump is
// told by its messages (NLMSG_DONE ends a dump), never by the request's flags.
void read_answer(std::span<const std::byte> datagram, std::uint32_t sender,
                 const Exchange& exchange, Answer& answer) {
    if (answer.error || sender != 0) {
        return; // complete already, or another process, not the kernel
    }
    for_each_message(datagram, [&](const nlmsghdr& header, std::span<const std::byte> payload) {
        if (header.nlmsg_seq != exchange.sequence || header.nlmsg_pid != exchange.port) {
            return true; // the late answer to an earlier request, or another socket's
        }
        answer.interrupted = answer.interrupted || (header.nlmsg_flags & NLM_F_DUMP_INTR) != 0;
        if (header.nlmsg_type == NLMSG_ERROR || header.nlmsg_type == NLMSG_DONE) {
            // Both start with the (negative) error value; an acknowledgement carries 0.
            answer.error = payload.size() >= sizeof(int) ? -read_at<int>(payload, 0) : 0;
            answer.reason = acknowledgement_reason(header, payload);
        } else if (header.nlmsg_type >= NLMSG_MIN_TYPE) {
            answer.replies.push_back(reply_of(header, payload));
        }
        return !answer.error;
    });
}

std::vector<Reply> read_notifications(std::span<const std::byte> datagram) {
    std::vector<Reply> messages;
    for_each_message(datagram, [&](const nlmsghdr& header, std::span<const std::byte> payload) {
        if (header.nlmsg_type >= NLMSG_MIN_TYPE) {
            messages.push_back(reply_of(header, payload));
        }
        return true;
    });
    return messages;
}

RouteSocket::RouteSocket()
    : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)),
      buffer_(std::make_unique_for_overwrite<std::byte[]>(receive_buffer_size)) {
    if (!fd_.is_open()) {
        fail("socket", errno);
    }
    // The kernel's reasons, without the copy of each refused request. A kernel that knows
    // neither option (before 4.12) gives no reasons: nothing else changes.
    const int on = 1;
    ::setsockopt(fd_.get(), SOL_NETLINK, NETLINK_EXT_ACK, &on, sizeof on);
    ::setsockopt(fd_.get(), SOL_NETLINK, NETLINK_CAP_ACK, &on, sizeof on);
    // Bound now, so that the port the kernel answers to is known before the first request.
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    socklen_t length = sizeof local;
    if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        fail("bind", errno);
    }
    port_ = local.nl_pid;
}

Acknowledgement RouteSocket::change(const Request& request) {
    Answer answer = receive(send(request, NLM_F_ACK));
    return {*answer.error, std::move(answer.reason)};
}

Answer RouteSocket::ask(const Request& request) {
    return receive(send(request, NLM_F_ACK));
}

std::optional<Reply> RouteSocket::get(const Request& request) {
    Answer answer = receive(send(request, NLM_F_ACK));
    if (*answer.error != 0 || answer.replies.empty()) {
        return std::nullopt;
    }
    return std::move(answer.replies.front());
}

std::vector<Reply> RouteSocket::dump(const Request& request) {
    for (int attempt = 1;; ++attempt) {
        Answer answer = receive(send(request, NLM_F_DUMP));
        if (*answer.error != 0) {
            fail("dump", *answer.error, answer.reason);
        }
        if (!answer.interrupted || attempt == dump_attempts) {
            return std::move(answer.replies);
        }
    }
}

Exchange RouteSocket::send(const Request& request, std::uint16_t extra_flags) {
    const Exchange exchange{port_, next_sequence_++};
    const std::vector<std::byte> message = request_message(request, extra_flags, exchange.sequence);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent = -1;
    do {
        sent = ::sendto(fd_.get(), message.data(), message.size(), 0,
                        reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        fail("send", errno);
    }
    return exchange;
}

Answer RouteSocket::receive(const Exchange& exchange) {
    Answer answer;
    while (!answer.error) {
        const Datagram datagram = next_datagram();
        read_answer(datagram.bytes, datagram.sender, exchange, answer);
    }
    return answer;
}

RouteSocket::Datagram RouteSocket::next_datagram() {
    iovec data{buffer_.get(), receive_buffer_size};
    sockaddr_nl sender{};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    ssize_t size = -1;
    do {
        size = ::recvmsg(fd_.get(), &message, 0);
    } while (size < 0 && errno == EINTR);
    if (size < 0) {
        fail("receive", errno);
    }
    if (message.msg_flags & MSG_TRUNC) {
        fail("receive", EMSGSIZE);
    }
    return {{buffer_.get(), static_cast<std::size_t>(size)}, sender.nl_pid};
}

} // namespace zelvoro::platform::netlink
