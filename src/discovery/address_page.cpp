#include "discovery/address_page.h"

namespace zelvoro::discovery {

namespace {

constexpr std::string_view address_start = "您的IP地址是：["; // 9 characters
constexpr std::string_view address_end = "] 来自：";          // 5 characters, begins the location
constexpr std::string_view location_end = "<br/>";

} // namespace

AddressPage read_address_page(std::string_view page) {
    // UTF-8 is searched byte by byte: a marker can only match at a character boundary.
    const std::size_t start = page.find(address_start);
    const std::size_t middle = page.find(address_end);
    const std::size_t end = page.find(location_end);
    if (start == page.npos || middle == page.npos || end == page.npos) {
        return {};
    }
    const std::size_t address_from = start + address_start.size();
    const std::size_t location_from = middle + address_end.size();
    if (middle < address_from || end < location_from) {
        return {};
    }
    if (middle == address_from) {
        return {AddressPage::Verdict::nothing_to_show, {}, {}};
    }
    return {AddressPage::Verdict::found,
            std::string(page.substr(address_from, middle - address_from)),
            std::string(page.substr(location_from, end - location_from))};
}

std::string address_box_text(const AddressPage& page) {
    return "您的网络IP为: " + page.address + " ^v^ " + "来自 --> " + page.location;
}

std::string address_clipboard_text(const AddressPage& page) {
    return "IP: " + page.address + "来自:" + page.location;
}

} // namespace zelvoro::discovery
