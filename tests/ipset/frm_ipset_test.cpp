// The settings window with a handed-over address: the IP row is filled while loading, and the
// IP and mask rows hold their focus moves back while the address is set.
#include "app/application.h"
#include "support/fake_services.h"
#include "ui/headless/headless_backend.h"
#include "ui/toolkit.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro {
namespace {

class FrmIpsetTest : public testing::Test {
protected:
    FrmIpsetTest() {
        app::register_windows(toolkit, services, state);
        app::start(toolkit);
    }

    ui::Window& open_settings(std::string picked) {
        state.picked_address = std::move(picked);
        toolkit.deliver([this] { toolkit.show("frmIpset"); });
        return *toolkit.loaded("frmIpset");
    }
    std::string text(const ui::Window& window, std::string_view field) const {
        return window.text_box(field).text();
    }
    std::string focus() const {
        const ui::Control* control = toolkit.focus();
        return control == nullptr ? "" : std::string(control->name());
    }

    std::vector<std::string> transcript;
    ui::headless::HeadlessBackend backend{
        [this](const std::string& line) { transcript.push_back(line); }};
    fakes::FakeServices fakes;
    platform::Services& services = fakes.services;
    shared::ProcessState state;
    ui::Toolkit toolkit{backend, "Zelvoro"};
};

TEST_F(FrmIpsetTest, LoadFillsIpRowAndPrefillsWithoutAskingForFocus) {
    const ui::Window& window = open_settings("192.0.2.23");
    const std::vector<std::pair<std::string_view, std::string>> expected{
        {"txbf1", "192"},   {"txbf2", "0"},     {"txbf3", "2"},     {"txbf4", "23"},
        {"txbsub1", "255"}, {"txbsub2", "255"}, {"txbsub3", "255"}, {"txbsub4", "0"},
        {"txbe1", "192"},   {"txbe2", "0"},     {"txbe3", "2"},     {"txbe4", "1"}};
    for (const auto& [field, value] : expected) {
        EXPECT_EQ(text(window, field), value) << field;
    }
    EXPECT_EQ(focus(), "txbe4"); // the lowest tab index, taken silently when shown
    for (const std::string& line : transcript) {
        EXPECT_EQ(line.rfind("focus ", 0), std::string::npos) << line;
    }
}

TEST_F(FrmIpsetTest, HandedOverHostOneLeavesNoGateway) {
    const ui::Window& window = open_settings("198.51.100.1");
    for (std::string_view field : {"txbe1", "txbe2", "txbe3", "txbe4"}) {
        EXPECT_EQ(text(window, field), "") << field;
    }
    EXPECT_EQ(text(window, "txbsub3"), "255");
}

struct StepCase {
    std::string_view field;
    std::string typed;
    std::string kept;
    std::string_view focus_without_pick; // where the focus goes when nothing is picked
    bool waits_for_pick;                 // the IP and mask rows hold the move back
};

class ThreeCharacterStepTest : public FrmIpsetTest, public testing::WithParamInterface<StepCase> {};

TEST_P(ThreeCharacterStepTest, CutsAlwaysAndMovesUnlessHeldBack) {
    const StepCase& c = GetParam();
    for (const bool picked : {false, true}) {
        ui::Window& window = open_settings(picked ? "192.0.2.50" : "");
        ui::TextBox& box = window.text_box(c.field);
        toolkit.deliver([&box] { box.set_focus(); });
        toolkit.deliver([&] { box.user_edit(c.typed); });
        EXPECT_EQ(box.text(), c.kept) << c.field << " picked=" << picked;
        const bool moves = !(picked && c.waits_for_pick);
        EXPECT_EQ(focus(), moves ? c.focus_without_pick : c.field)
            << c.field << " picked=" << picked;
        toolkit.deliver([&window] { window.unload(); });
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ThreeCharacterStepTest,
                         testing::Values(StepCase{"txbf1", "0192", "192", "txbf2", true},
                                         StepCase{"txbf2", "0050", "50", "txbf2",
                                                  true}, // "50" has two characters
                                         StepCase{"txbf2", "100", "100", "txbf3", true},
                                         StepCase{"txbf3", "200", "200", "txbf4", true},
                                         StepCase{"txbsub1", "2550", "255", "txbsub2", true},
                                         StepCase{"txbsub2", "128", "128", "txbsub3", true},
                                         StepCase{"txbsub3", "1000", "100", "txbsub4", true},
                                         StepCase{"txbdnsf1", "198", "198", "txbdnsf2", false},
                                         StepCase{"txbdnsf3", "100", "100", "txbdnsf4", false},
                                         StepCase{"txbdnse2", "051", "51", "txbdnse2", false},
                                         StepCase{"txbdnse1", "203", "203", "txbdnse2", false}));

TEST_F(FrmIpsetTest, PrefillKeepsFocusOnHostFieldOnlyWhenNothingPicked) {
    for (const bool picked : {false, true}) {
        ui::Window& window = open_settings(picked ? "192.0.2.50" : "");
        ui::TextBox& host = window.text_box("txbf4");
        toolkit.deliver([&host] { host.set_focus(); });
        toolkit.deliver([&host] { host.user_edit("77"); });
        EXPECT_EQ(focus(), "txbf4") << "picked=" << picked;
        EXPECT_EQ(text(window, "txbe4"), "1");
        toolkit.deliver([&window] { window.unload(); });
    }
}

TEST_F(FrmIpsetTest, ClosingKeepsThePickedAddress) {
    ui::Window& window = open_settings("192.0.2.9");
    toolkit.deliver([&window] { window.unload(); });
    EXPECT_EQ(state.picked_address, "192.0.2.9");
    EXPECT_TRUE(toolkit.loaded("frmIPtest")->visible());
    EXPECT_EQ(text(open_settings(state.picked_address), "txbf4"), "9");
}

} // namespace
} // namespace zelvoro
