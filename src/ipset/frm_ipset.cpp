#include "ipset/frm_ipset.h"

#include "discovery/mdl_localip.h"
#include "ipset/adapter_apply.h"
#include "shared/quit_question.h"
#include "ui/octet_number.h"

namespace zelvoro::ipset {

namespace {

constexpr std::string_view main_window = "frmIPtest";

namespace text {
constexpr std::string_view no_gateway = "IP为1时,不需要网关!";
constexpr std::string_view attention = "注意";
constexpr std::string_view missing_input = "请输入正确的IP地址";
constexpr std::string_view confirm_title = "确定";
constexpr std::string_view confirm_address = "确定设置以上IP地址吗？";
constexpr std::string_view confirm_dns = "确定设置以下为DNS？";
constexpr std::string_view dns_refused = "DNS错误,重新设置!";
constexpr std::string_view success = "成功";
constexpr std::string_view failure = "失败";
constexpr std::string_view address_applied = "IP设置成功!";
constexpr std::string_view address_failed = "IP设置失败!重试!";
constexpr std::string_view dns_applied = "DNS设置成功!";
constexpr std::string_view dns_failed = "DNS设置失败!重试!";
} // namespace text

bool value_is(const ui::TextBox& field, unsigned whole) {
    const auto number = ui::OctetNumber::parse(field.text());
    return number && number->equals(whole);
}

} // namespace

FrmIpset::FrmIpset(ui::Toolkit& toolkit, platform::Services& services, shared::ProcessState& state)
    : ui::Window(toolkit, frm_ipset_layout), services_(services), state_(state), ui_(*this),
      octet_fields_(*this, frm_ipset_octet_fields,
                    {.octet_accepted = [this](ui::TextBox& field) { octet_accepted(field); },
                     .focus_moves_held = [this] { return !nothing_picked(); },
                     .show_hint = nullptr}) {
    ui_.cmdok.on_click = [this] { cmdok_click(); };
    ui_.cmdok2.on_click = [this] { cmdok2_click(); };
    ui_.cmdlocal2.on_click = [this] { cmdlocal2_click(); };
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

// The address, mask and gateway go to every IP-enabled adapter; the last adapter's two results
// decide the message. A handed-over (or earlier) address is applied whatever the IP row holds
// now, and only a success lets the next apply take the IP row again.
void FrmIpset::cmdok_click() {
    const bool complete =
        ui_.ip_row.complete() && !ui_.gateway_row[3].text().empty() && ui_.mask_row.complete();
    if (!complete) {
        toolkit().message_box(text::missing_input, ui::MessageBoxStyle::ok, text::attention);
        return;
    }
    if (toolkit().message_box(text::confirm_address, ui::MessageBoxStyle::ok_cancel,
                              text::confirm_title) != ui::MessageBoxResult::ok) {
        return;
    }
    const std::string mask = ui_.mask_row.text();
    const std::string gateway = ui_.gateway_row.text();
    if (state_.picked_address.empty()) {
        state_.picked_address = ui_.ip_row.text();
    }
    const AddressApply apply{state_.picked_address, mask, gateway};
    const bool applied =
        apply_to_every_adapter(services_.adapters, services_.diagnostics, toolkit(), apply);
    if (applied) {
        toolkit().message_box(text::address_applied, ui::MessageBoxStyle::ok, text::success);
        state_.picked_address.clear();
    } else {
        toolkit().message_box(text::address_failed, ui::MessageBoxStyle::ok, text::failure);
    }
}

// The complete DNS rows, preferred first, become every IP-enabled adapter's server list.
void FrmIpset::cmdok2_click() {
    const bool preferred = ui_.preferred_dns_row.complete();
    const bool alternate = ui_.alternate_dns_row.complete();
    if (!preferred && !alternate) {
        toolkit().message_box(text::dns_refused, ui::MessageBoxStyle::ok, text::confirm_title);
        return;
    }
    if (toolkit().message_box(text::confirm_dns, ui::MessageBoxStyle::ok_cancel,
                              text::confirm_title) != ui::MessageBoxResult::ok) {
        toolkit().message_box(text::dns_refused, ui::MessageBoxStyle::ok, text::confirm_title);
        return;
    }
    std::vector<std::string> servers;
    if (preferred) {
        servers.push_back(ui_.preferred_dns_row.text());
    }
    if (alternate) {
        servers.push_back(ui_.alternate_dns_row.text());
    }
    if (apply_to_every_adapter(services_.adapters, services_.diagnostics, toolkit(),
                               DnsApply{servers})) {
        toolkit().message_box(text::dns_applied, ui::MessageBoxStyle::ok, text::success);
        state_.picked_address.clear();
    } else {
        toolkit().message_box(text::dns_failed, ui::MessageBoxStyle::ok, text::failure);
    }
}

// The IP row gets the machine's first address; the handed-over address is left as it is.
void FrmIpset::cmdlocal2_click() {
    discovery::fill_with_local_address(ui_.ip_row, services_.address_table, services_.diagnostics,
                                       state_, toolkit());
}

void FrmIpset::cmdresetip_click() {
    ui_.ip_row.clear();
    ui_.gateway_row.clear();
    ui_.mask_row.clear();
}

void FrmIpset::cmdresetsub_click() {
    ui_.alternate_dns_row.clear();
    ui_.preferred_dns_row.clear();
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
        ui_.gateway_row.clear();
    }
    if (nothing_picked()) {
        ui_.ip_row[3].set_focus();
    }
}

void FrmIpset::no_gateway_for_host_one() {
    ui::TextBox& gateway = ui_.gateway_row[3];
    const ui::TextBox& host = ui_.ip_row[3];
    if (!gateway.text().empty() && !host.text().empty() && value_is(host, 1)) {
        toolkit().message_box(text::no_gateway, ui::MessageBoxStyle::ok, ui::octet_text::title);
        gateway.set_text("");
    }
}

} // namespace zelvoro::ipset
