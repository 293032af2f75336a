#include "discovery/address_page.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::discovery {
namespace {

using Verdict = AddressPage::Verdict;

struct PageCase {
    std::string_view name;
    std::string_view page;
    Verdict verdict;
    std::string_view address = "";
    std::string_view location = "";
};

TEST(discovery_address_page, ReadsTheFirstOccurrenceOfEachMarker) {
    const std::vector<PageCase> cases = {
        {"a page as served", "<p>您的IP地址是：[203.0.113.7] 来自：某地 电信<br/></p>",
         Verdict::found, "203.0.113.7", "某地 电信"},
        {"only the first occurrences count",
         "您的IP地址是：[198.51.100.1] 来自：甲<br/>您的IP地址是：[198.51.100.2] 来自：乙<br/>",
         Verdict::found, "198.51.100.1", "甲"},
        {"a later start marker inside the address",
         "您的IP地址是：[x您的IP地址是：[y] 来自：甲<br/>", Verdict::found, "x您的IP地址是：[y",
         "甲"},
        {"texts are not trimmed or checked", "您的IP地址是：[ 192.0.2.1 ?] 来自： 某地\r\n<br/>",
         Verdict::found, " 192.0.2.1 ?", " 某地\r\n"},
        {"an empty location", "您的IP地址是：[192.0.2.9] 来自：<br/>", Verdict::found, "192.0.2.9",
         ""},
        {"an empty address ends silently", "您的IP地址是：[] 来自：某地<br/>",
         Verdict::nothing_to_show},
        {"an empty address and location", "您的IP地址是：[] 来自：<br/>", Verdict::nothing_to_show},
        {"an empty page", "", Verdict::no_page},
        {"no start marker", "[192.0.2.1] 来自：某地<br/>", Verdict::no_page},
        {"no end of the address", "您的IP地址是：[192.0.2.1] 某地<br/>", Verdict::no_page},
        {"no end of the location", "您的IP地址是：[192.0.2.1] 来自：某地<br>", Verdict::no_page},
        {"half-width colon", "您的IP地址是:[192.0.2.1] 来自：某地<br/>", Verdict::no_page},
        {"markers are case-sensitive", "您的IP地址是：[192.0.2.1] 来自：某地<BR/>",
         Verdict::no_page},
        // The address end counts where it first occurs, even before the start marker.
        {"address end before the start marker", "] 来自：您的IP地址是：[192.0.2.1] 来自：某地<br/>",
         Verdict::no_page},
        {"address end right against the start of the start marker", "x] 来自：您的IP地址是：[<br/>",
         Verdict::no_page},
        {"location end before the address end", "您的IP地址是：[192.0.2.1<br/>] 来自：某地<br/>",
         Verdict::no_page},
        {"location end before everything", "<br/>您的IP地址是：[192.0.2.1] 来自：某地<br/>",
         Verdict::no_page},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AddressPage page = read_address_page(c.page);
        EXPECT_EQ(page.verdict, c.verdict);
        EXPECT_EQ(page.address, c.address);
        EXPECT_EQ(page.location, c.location);
    }
}

TEST(discovery_address_page, BoxAndClipboardTexts) {
    struct TextCase {
        AddressPage page;
        std::string_view box;
        std::string_view clipboard;
    };
    const std::vector<TextCase> cases = {
        {{Verdict::found, "203.0.113.7", "某地"},
         "您的网络IP为: 203.0.113.7 ^v^ 来自 --> 某地",
         "IP: 203.0.113.7来自:某地"},
        {{Verdict::found, "192.0.2.9", ""},
         "您的网络IP为: 192.0.2.9 ^v^ 来自 --> ",
         "IP: 192.0.2.9来自:"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(address_box_text(c.page), c.box);
        EXPECT_EQ(address_clipboard_text(c.page), c.clipboard);
    }
    EXPECT_EQ(address_box_title, "网络IP地址 点确定复制信息");
}

} // namespace
} // namespace zelvoro::discovery
