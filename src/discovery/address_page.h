// The page that reports the caller's public address: what it says, and the texts shown for it.
#pragma once

#include <string>
#include <string_view>

namespace zelvoro::discovery {

// The page is cut at the first occurrence of each of three markers:
//   您的IP地址是：[ ADDRESS ] 来自： LOCATION <br/>
// It is usable only when all three occur and each first occurrence lies after the end of the
// one before; the address and location are taken as they stand (neither trimmed nor checked).
struct AddressPage {
    enum class Verdict {
        no_page,         // empty, or not usable: the failure message is shown
        nothing_to_show, // usable, but the address is empty: the lookup ends silently
        found,           // address (not empty) and location
    };

    Verdict verdict = Verdict::no_page;
    std::string address;
    std::string location;
};

AddressPage read_address_page(std::string_view page);

// The message box for a lookup that got no usable page.
inline constexpr std::string_view lookup_failed_text = "网络检测失败!请确定是否联网!";
inline constexpr std::string_view lookup_failed_title = "无法检测!";

// The message box for a found address, and the clipboard text put after it is closed.
inline constexpr std::string_view address_box_title = "网络IP地址"
                                                      " 点确定复制信息";
std::string address_box_text(const AddressPage& page);
std::string address_clipboard_text(const AddressPage& page);

} // namespace zelvoro::discovery
