#include "platform/echo.h"

#include <algorithm>

namespace zelvoro::platform {

namespace {

// Large enough that the timeout waited after each part is small beside its sending, small
// enough that a part's addresses and statuses take little memory.
constexpr std::size_t stream_part_size = 4096;

} // namespace

EchoStreamReport EchoService::echo_stream(EchoStream& stream, std::chrono::milliseconds timeout) {
    std::vector<Ipv4Address> part;
    part.reserve(std::min(stream.size(), stream_part_size));
    for (std::size_t first = 0; first < stream.size(); first += part.size()) {
        part.clear();
        for (std::size_t index = first; index < stream.size() && part.size() < stream_part_size;
             ++index) {
            part.push_back(stream.address(index));
        }
        const auto result = echo_all(part, timeout);
        if (!result.permitted) {
            return EchoStreamReport{false, {}, {}, {}};
        }
        for (std::size_t index = 0; index < part.size(); ++index) {
            stream.take_status(first + index,
                               index < result.status.size() ? result.status[index] : echo_timed_out,
                               index < result.round_trip.size() ? result.round_trip[index]
                                                                : std::chrono::nanoseconds(0));
        }
    }
    return EchoStreamReport{};
}

} // namespace zelvoro::platform
