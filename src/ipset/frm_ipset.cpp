#include "ipset/frm_ipset.h"

#include "shared/quit_question.h"
#include "ui/octet_number.h"

namespace zelvoro::ipset {

namespace {

constexpr std::string_view main_window = "frmIPtest";
constexpr std::string_view no_gateway = "IP为1时,不需要网关!";

bool value_is(const ui::TextBox& field, unsigned whole) {
    const auto number = ui::OctetNumber::parse(field.text());
    return number && number->equals(whole);
}

void clear(const ui::AddressRow& row) {
    for (ui::TextBox* field : row) {
        field->set_text("");
    }
}

} // namespace

FrmIpset::FrmIpset(ui::Toolkit& toolkit, platform::Services& /*services*/,
                   shared::ProcessState& state)
    : ui::Window(toolkit, frm_ipset_layout), state_(state), ui_(*this),
      octet_fields_(*this, frm_ipset_octet_fields,
                    {.octet_accepted = [this](ui::TextBox& field) { octet_accepted(field); },
                     .focus_moves_held = [this] { return !nothing_picked(); },
                     .show_hint = nullptr}) {
    ui_.cmdresetip.on_click = [this] { cmdresetip_click(); };
    ui_.cmdresetsub.on_click = [this] { cmdresetsub_click(); };
    ui_.cmdback.on_click = [this] { cmdback_click(); };
    ui_.cmdcancle.on_click = [this] { cmdcancle_click(); };
}

// A picked address fills the IP row; its change handling prefills mask and gateway. While it
// is set the IP and mask rows hold their focus moves back, so nothing asks for the focus
// before the window is shown.
void FrmIpset::form_load() {
    if (!state_.picked_address.empty()) {
        ui_.ip_row.fill(state_.picked_address);
    }
}

// Closing never asks and is never cancelled: the main window comes back.
void FrmIpset::form_unload(bool& /*cancel*/) {
    toolkit().show(main_window);
}

void FrmIpset::cmdresetip_click() {
    clear(ui_.ip_row);
    clear(ui_.gateway_row);
    clear(ui_.mask_row);
}

void FrmIpset::cmdresetsub_click() {
    clear(ui_.alternate_dns_row);
    clear(ui_.preferred_dns_row);
}

void FrmIpset::cmdback_click() {
    unload();
    toolkit().show(main_window);
}

// Yes ends the program at once, without any unload handling.
void FrmIpset::cmdcancle_click() {
    const auto answer = toolkit().message_box(shared::quit_question, ui::MessageBoxStyle::yes_no,
                                              shared::quit_title);
    if (answer == ui::MessageBoxResult::yes) {
        toolkit().end_program();
    }
}

void FrmIpset::octet_accepted(const ui::TextBox& field) {
    if (&field == &ui_.ip_row[3]) {
        prefill_mask_and_gateway();
    } else if (&field == &ui_.gateway_row[3]) {
        no_gateway_for_host_one();
    }
}

// A valid host octet fills the mask with 255.255.255.0 and the gateway with the same network
// and host 1; host 1 itself takes no gateway.
void FrmIpset::prefill_mask_and_gateway() {
    for (std::size_t i = 0; i < 3; ++i) {
        ui_.mask_row[i].set_text("255");
    }
    ui_.mask_row[3].set_text("0");
    for (std::size_t i = 0; i < 3; ++i) {
        ui_.gateway_row[i].set_text(ui_.ip_row[i].text());
    }
    if (!value_is(ui_.ip_row[3], 1)) {
        ui_.gateway_row[3].set_text("1");
    } else {
        clear(ui_.gateway_row);
    }
    if (nothing_picked()) {
        ui_.ip_row[3].set_focus();
    }
}

void FrmIpset::no_gateway_for_host_one() {
    ui::TextBox& gateway = ui_.gateway_row[3];
    const ui::TextBox& host = ui_.ip_row[3];
    if (!gateway.text().empty() && !host.text().empty() && value_is(host, 1)) {
        toolkit().message_box(no_gateway, ui::MessageBoxStyle::ok, ui::octet_text::title);
        gateway.set_text("");
    }
}

} // namespace zelvoro::ipset
