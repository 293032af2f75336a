// The settings window: IP, mask, gateway and two DNS rows.
#pragma once

#include "platform/services.h"
#include "ui/octet_fields.h"
#include "ui/toolkit.h"

namespace zelvoro::ipset {

class FrmIpset final : public ui::Window {
public:
    static constexpr std::string_view name = "frmIpset";

    FrmIpset(ui::Toolkit& toolkit, platform::Services& services);

    void form_load() override;
    void form_unload(bool& cancel) override;

private:
    void cmdresetip_click();
    void cmdresetsub_click();
    void cmdback_click();
    void cmdcancle_click();

    ui::OctetFields octet_fields_;
};

} // namespace zelvoro::ipset
