#include "sweep/presence.h"

namespace zelvoro::sweep {

namespace {

using platform::MacAddress;

std::string mac_and_vendor(const MacAddress& mac, std::string_view vendor) {
    std::string text = "MAC " + platform::mac_text(mac);
    if (!vendor.empty()) {
        text += ", ";
        text += vendor;
    }
    return text;
}

} // namespace

std::string answering_tooltip(const MacAddress& mac, std::string_view vendor) {
    return mac_and_vendor(mac, vendor);
}

std::string silent_present_tooltip(const MacAddress& mac, std::string_view vendor) {
    return "该地址不回应PING,但有设备应答ARP(" + mac_and_vendor(mac, vendor) + "),可能已被占用";
}

std::string shared_device_tooltip(const MacAddress& mac, std::string_view vendor) {
    return "该地址不回应PING;同一设备(" + mac_and_vendor(mac, vendor) +
           ")为多个地址应答ARP,可能是路由器代答,不能据此判断已被占用";
}

} // namespace zelvoro::sweep
