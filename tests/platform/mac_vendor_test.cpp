#include "scanner/mac_vendor.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace zelvoro::scanner {
namespace {

// The layout of ieee-data's oui.txt (CR LF line ends, tabs), with lines that are not entries.
constexpr std::string_view registry_text =
    "OUI/MA-L                                Organization         \r\n"
    "company_id                              Organization         \r\n"
    "\r\n"
    "00-22-72   (hex)\t\tFirst Maker Corp.\r\n"
    "002272     (base 16)\t\tFirst Maker Corp.\r\n"
    "\t\t\t\t1 Some Street\r\n"
    "\t\t\t\tUS\r\n"
    "\r\n"
    "02608C     (base 16)\t\tOld Registration Ltd\r\n"
    "080030     (base 16)\t\tListed First\r\n"
    "080030     (base 16)\t\tListed Again\r\n"
    "203233     (base 16)\t\t深圳示例电子有限公司\r\n"
    "a4c3f0     (base 16)\t\tLower Case Digits\n"
    "12345      (base 16)\t\tFive Digits\r\n"
    "12345G     (base 16)\t\tNot Hexadecimal\r\n"
    "ABCDEF     (base 16)\t\t \r\n"
    "FEDCBA     (base 16)\t\tNo Line End";

TEST(scanner_mac_vendor, ParsesTheBase16Lines) {
    const VendorNames expected = {
        {0x002272, "First Maker Corp."}, {0x02608C, "Old Registration Ltd"},
        {0x080030, "Listed First"},      {0x203233, "深圳示例电子有限公司"},
        {0xA4C3F0, "Lower Case Digits"}, {0xFEDCBA, "No Line End"},
    };
    EXPECT_EQ(parse_oui_registry(registry_text), expected);
}

class scanner_mac_vendors : public testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }

    void write_registry(std::string_view text) const {
        std::ofstream(path_, std::ios::binary) << text;
    }

    const std::filesystem::path path_ =
        std::filesystem::temp_directory_path() /
        ("zelvoro-oui-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".txt");
};

TEST_F(scanner_mac_vendors, LooksUpTheFirstThreeBytes) {
    write_registry(registry_text);
    MacVendors vendors(path_);
    EXPECT_EQ(vendors.vendor({0x00, 0x22, 0x72, 0x9a, 0x00, 0x01}), "First Maker Corp.");
    EXPECT_EQ(vendors.vendor({0x20, 0x32, 0x33, 0, 0, 0}), "深圳示例电子有限公司");
    EXPECT_EQ(vendors.vendor({0x00, 0x22, 0x73, 0, 0, 0}), "");
    // Locally administered: a random address, even where the registry lists its bytes.
    EXPECT_EQ(vendors.vendor({0x02, 0x60, 0x8c, 0, 0, 0}), "");
}

TEST_F(scanner_mac_vendors, ReadsTheRegistryAtTheFirstLookupOnly) {
    MacVendors vendors(path_);
    write_registry(registry_text);
    EXPECT_EQ(vendors.vendor({0x08, 0x00, 0x30, 0, 0, 0}), "Listed First");
    std::filesystem::remove(path_);
    EXPECT_EQ(vendors.vendor({0x00, 0x22, 0x72, 0, 0, 0}), "First Maker Corp.");
}

TEST_F(scanner_mac_vendors, NoRegistryNoNames) {
    MacVendors vendors(path_);
    EXPECT_EQ(vendors.vendor({0x00, 0x22, 0x72, 0, 0, 0}), "");
}

TEST(scanner_mac_vendor_installed, NamesAPrefixOfTheInstalledRegistry) {
    if (!std::filesystem::exists(MacVendors::debian_registry)) {
        GTEST_SKIP() << "no " << MacVendors::debian_registry << " (package ieee-data)";
    }
    MacVendors vendors;
    EXPECT_EQ(vendors.vendor({0x00, 0x00, 0x00, 0x12, 0x34, 0x56}), "XEROX CORPORATION");
}

} // namespace
} // namespace zelvoro::scanner
