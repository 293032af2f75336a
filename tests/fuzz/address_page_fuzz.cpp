// Reads random pages and checks each verdict against the markers found here by a plain
// byte-by-byte search, independently of the parser's own search.
#include "discovery/address_page.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

using zelvoro::discovery::AddressPage;
using zelvoro::discovery::read_address_page;

constexpr std::string_view start_marker = "\xE6\x82\xA8\xE7\x9A\x84IP\xE5\x9C\xB0\xE5\x9D\x80"
                                          "\xE6\x98\xAF\xEF\xBC\x9A["; // 您的IP地址是：[
constexpr std::string_view middle_marker = "] \xE6\x9D\xA5\xE8\x87\xAA\xEF\xBC\x9A"; // ] 来自：
constexpr std::string_view end_marker = "<br/>";

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "%s\n", why);
    std::abort();
}

// The first position at or after `from` where `marker` starts.
std::optional<std::size_t> first_at_or_after(std::string_view page, std::string_view marker,
                                             std::size_t from) {
    for (std::size_t at = from; at + marker.size() <= page.size(); ++at) {
        bool same = true;
        for (std::size_t i = 0; i < marker.size() && same; ++i) {
            same = page[at + i] == marker[i];
        }
        if (same) {
            return at;
        }
    }
    return std::nullopt;
}

void check(std::string_view page, const AddressPage& read) {
    const auto a = first_at_or_after(page, start_marker, 0);
    const auto b = first_at_or_after(page, middle_marker, 0);
    const auto c = first_at_or_after(page, end_marker, 0);
    const bool usable =
        a && b && c && *a + start_marker.size() <= *b && *b + middle_marker.size() <= *c;
    if (!usable) {
        if (read.verdict != AddressPage::Verdict::no_page || !read.address.empty() ||
            !read.location.empty()) {
            fail("an unusable page must give no page");
        }
        return;
    }
    const std::size_t address_from = *a + start_marker.size();
    // The address ends at the first middle marker after the start marker; as the page is
    // usable, that is the first one in the page.
    const auto address_to = first_at_or_after(page, middle_marker, address_from);
    const std::string_view address = page.substr(address_from, *address_to - address_from);
    const std::size_t location_from = *address_to + middle_marker.size();
    const auto location_to = first_at_or_after(page, end_marker, location_from);
    const std::string_view location = page.substr(location_from, *location_to - location_from);
    if (address.empty()) {
        if (read.verdict != AddressPage::Verdict::nothing_to_show) {
            fail("an empty address must end silently");
        }
        return;
    }
    if (read.verdict != AddressPage::Verdict::found || read.address != address ||
        read.location != location) {
        fail("the address or location is not the text between the markers");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    check(page, read_address_page(page));
    return 0;
}
