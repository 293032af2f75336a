// NetBIOS node status (UDP port 137): the request for every name a host holds, and its answer,
// from which the host's own name is taken. Windows machines, and many printers and NAS boxes,
// answer it even when they are in no DNS.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform::netbios {

constexpr std::uint16_t port = 137;

// A node status request (NBSTAT, class IN) for the name "*", with the given id.
std::vector<std::uint8_t> encode_node_status_request(std::uint16_t id);

struct NodeName {
    std::uint16_t id = 0;
    std::string name; // trailing blanks dropped; bytes beyond ASCII read as code page 936

    friend bool operator==(const NodeName&, const NodeName&) = default;
};

// The host's own name from the first node status answer record of a response: its first
// unique (not group) name with suffix 0x00 (workstation), else its first unique one with suffix
// 0x20 (server), leaving out names in conflict or being released. Nothing when there is no such
// name, or it is not fit to be shown (platform/host_name.h, and no byte that code page 936
// cannot decode), or the message is anything else.
std::optional<NodeName> decode_node_status(std::span<const std::uint8_t> message);

} // namespace zelvoro::platform::netbios
