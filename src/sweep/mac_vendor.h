// Maker names of link-layer addresses, from the IEEE registry that Debian's ieee-data package
// installs. Without the registry there are no names, and nothing else changes.
#pragma once

#include "platform/neighbours.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace zelvoro::sweep {

// Organisation names by the 24-bit prefix assigned to them (first byte highest).
using VendorNames = std::unordered_map<std::uint32_t, std::string>;

// The entries of the registry's text form (oui.txt): the lines
// "XXXXXX     (base 16)\t\tOrganisation", with the prefix in six hexadecimal digits; blanks and
// the CR of CR LF line ends around either part are dropped. Every other line is passed over, as
// is a line without a name. A prefix listed twice keeps its first name.
VendorNames parse_oui_registry(std::string_view text);

class MacVendors {
public:
    // Where ieee-data keeps the registry (update-ieee-data refreshes this copy).
    static constexpr std::string_view debian_registry = "/var/lib/ieee-data/oui.txt";

    explicit MacVendors(std::filesystem::path registry = std::filesystem::path(debian_registry))
        : registry_(std::move(registry)) {}

    // The organisation the address's first three bytes are assigned to; empty when the registry
    // is missing or unreadable, lists no such prefix, or the address is locally administered
    // (random or set by software: such addresses name no maker). The registry is read at the
    // first lookup, once.
    std::string vendor(const platform::MacAddress& mac);

private:
    std::filesystem::path registry_;
    std::optional<VendorNames> names_;
};

} // namespace zelvoro::sweep
