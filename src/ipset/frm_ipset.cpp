#include "ipset/frm_ipset.h"

#include "app/picked_address.h"
#include "app/quit_question.h"
#include "ipset/frm_ipset_layout.h"

namespace zelvoro::ipset {

namespace {

constexpr std::string_view main_window = "frmIPtest";
constexpr ui::RowFields ip_row{"txbf1", "txbf2", "txbf3", "txbf4"};

} // namespace

FrmIpset::FrmIpset(ui::Toolkit& toolkit, platform::Services& /*services*/)
    : ui::Window(toolkit, frm_ipset_layout),
      octet_fields_(*this, ui::settings_window_octet_fields, app::picked_address) {
    button("cmdresetip").on_click = [this] { cmdresetip_click(); };
    button("cmdresetsub").on_click = [this] { cmdresetsub_click(); };
    button("cmdback").on_click = [this] { cmdback_click(); };
    button("cmdcancle").on_click = [this] { cmdcancle_click(); };
}

// A picked address fills the IP row; its change handling prefills mask and gateway. While it
// is set the IP and mask rows hold their focus moves back, so nothing asks for the focus
// before the window is shown.
void FrmIpset::form_load() {
    if (!app::picked_address.empty()) {
        ui::row_fill(*this, ip_row, app::picked_address);
    }
}

// Closing never asks and is never cancelled: the main window comes back.
void FrmIpset::form_unload(bool& /*cancel*/) {
    toolkit().show(main_window);
}

void FrmIpset::cmdresetip_click() {
    for (const char* field : {"txbf1", "txbf2", "txbf3", "txbf4", "txbe1", "txbe2", "txbe3",
                              "txbe4", "txbsub1", "txbsub2", "txbsub3", "txbsub4"}) {
        text_box(field).set_text("");
    }
}

void FrmIpset::cmdresetsub_click() {
    for (const char* field : {"txbdnse1", "txbdnse2", "txbdnse3", "txbdnse4", "txbdnsf1",
                              "txbdnsf2", "txbdnsf3", "txbdnsf4"}) {
        text_box(field).set_text("");
    }
}

void FrmIpset::cmdback_click() {
    unload();
    toolkit().show(main_window);
}

// Yes ends the program at once, without any unload handling.
void FrmIpset::cmdcancle_click() {
    const auto answer =
        toolkit().message_box(app::quit_question, ui::MessageBoxStyle::yes_no, app::quit_title);
    if (answer == ui::MessageBoxResult::yes) {
        toolkit().end_program();
    }
}

} // namespace zelvoro::ipset
