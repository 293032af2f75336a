// The settings window: IP, mask, gateway and two DNS rows.
#pragma once

#include "ipset/frm_ipset_layout.h"
#include "platform/services.h"
#include "shared/process_state.h"
#include "ui/octet_fields.h"
#include "ui/toolkit.h"

namespace zelvoro::ipset {

class FrmIpset final : public ui::Window {
public:
    static constexpr std::string_view name = "frmIpset";

    FrmIpset(ui::Toolkit& toolkit, platform::Services& services, shared::ProcessState& state);

    void form_load() override;
    void form_unload(bool& cancel) override;

private:
    void cmdok_click();
    void cmdok2_click();
    void cmdlocal2_click();
    void cmdresetip_click();
    void cmdresetsub_click();
    void cmdback_click();
    void cmdcancle_click();
    void octet_accepted(const ui::TextBox& field);
    void prefill_mask_and_gateway();
    void no_gateway_for_host_one();
    bool nothing_picked() const { return state_.picked_address.empty(); }

    platform::Services& services_;
    shared::ProcessState& state_;
    FrmIpsetControls ui_;
    ui::OctetFields octet_fields_;
};

} // namespace zelvoro::ipset
