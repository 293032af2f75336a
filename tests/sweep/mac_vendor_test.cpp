#include "sweep/mac_vendor.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace zelvoro::sweep {
namespace {

// The layout of ieee-data's oui.txt (CR LF line ends, tabs), with lines that are not entries.
constexpr std::string_view registry_text = "OUI/MA-L                Organization         \r\n"
                                           "\r\n"
                                           "00-22-72   (hex)\t\tFirst Maker Corp.\r\n"
                                           "002272     (base 16)\t\tFirst Maker Corp.\r\n"
                                           "\t\t\t\t1 Some Street\r\n"
                                           "02608C     (base 16)\t\tOld Registration Ltd\r\n"
                                           "080030     (base 16)\t\tListed First\r\n"
                                           "080030     (base 16)\t\tListed Again\r\n"
                                           "203233     (base 16)\t\t深圳示例电子有限公司\r\n"
                                           "a4c3f0     (base 16)\t\tLower Case Digits\n"
                                           "12345      (base 16)\t\tFive Digits\r\n"
                                           "12345G     (base 16)\t\tNot Hexadecimal\r\n"
                                           "ABCDEF     (base 16)\t\t \r\n"
                                           "FEDCBA     (base 16)\t\tNo Line End";

TEST(sweep_mac_vendor, ParsesTheBase16Lines) {
    const VendorNames expected = {
        {0x002272, "First Maker Corp."}, {0x02608C, "Old Registration Ltd"},
        {0x080030, "Listed First"},      {0x203233, "深圳示例电子有限公司"},
        {0xA4C3F0, "Lower Case Digits"}, {0xFEDCBA, "No Line End"},
    };
    EXPECT_EQ(parse_oui_registry(registry_text), expected);
}

TEST(sweep_mac_vendor, ReadsTheRegistryAtTheFirstLookupOnly) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zelvoro-oui-" +
                       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    MacVendors vendors(path);
    std::ofstream(path, std::ios::binary) << registry_text;
    EXPECT_EQ(vendors.vendor({0x00, 0x22, 0x72, 0x9a, 0x00, 0x01}), "First Maker Corp.");
    std::filesystem::remove(path);
    EXPECT_EQ(vendors.vendor({0x08, 0x00, 0x30, 0, 0, 0}), "Listed First");
    EXPECT_EQ(vendors.vendor({0x00, 0x22, 0x73, 0, 0, 0}), "");
    // Locally administered: a random address, even where the registry lists its bytes.
    EXPECT_EQ(vendors.vendor({0x02, 0x60, 0x8c, 0, 0, 0}), "");
    EXPECT_EQ(MacVendors(path).vendor({0x00, 0x22, 0x72, 0, 0, 0}), "") << "no registry, no name";
}

TEST(sweep_mac_vendor, NamesAPrefixOfTheInstalledRegistry) {
    if (!std::filesystem::exists(MacVendors::debian_registry)) {
        GTEST_SKIP() << "no " << MacVendors::debian_registry << " (package ieee-data)";
    }
    EXPECT_EQ(MacVendors().vendor({0x00, 0x00, 0x00, 0x12, 0x34, 0x56}), "XEROX CORPORATION");
}

} // namespace
} // namespace zelvoro::sweep
