#include "sweep/mac_vendor.h"

#include <charconv>
#include <fstream>

namespace zelvoro::sweep {

namespace {

// The bit of the first byte that marks a locally administered address.
constexpr std::uint8_t locally_administered = 0x02;
constexpr std::string_view base16_marker = "(base 16)";

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::optional<std::uint32_t> prefix_of(std::string_view digits) {
    std::uint32_t value = 0;
    const auto end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, 16);
    if (digits.size() != 6 || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

void add_entry(std::string_view line, VendorNames& names) {
    const auto marker = line.find(base16_marker);
    if (marker == std::string_view::npos) {
        return;
    }
    const auto prefix = prefix_of(trimmed(line.substr(0, marker)));
    const auto name = trimmed(line.substr(marker + base16_marker.size()));
    if (prefix && !name.empty()) {
        names.emplace(*prefix, name);
    }
}

VendorNames read_registry(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (error || !in) {
        return {};
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parse_oui_registry(text);
}

} // namespace

VendorNames parse_oui_registry(std::string_view text) {
    VendorNames names;
    while (!text.empty()) {
        const auto end = text.find('\n');
        add_entry(text.substr(0, end), names);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return names;
}

std::string MacVendors::vendor(const platform::MacAddress& mac) {
    if (mac[0] & locally_administered) {
        return {};
    }
    if (!names_) {
        names_ = read_registry(registry_);
    }
    const std::uint32_t prefix = std::uint32_t{mac[0]} << 16 | std::uint32_t{mac[1]} << 8 | mac[2];
    const auto found = names_->find(prefix);
    return found != names_->end() ? found->second : std::string();
}

} // namespace zelvoro::sweep
