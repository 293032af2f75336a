// The main window: the start and end rows, the sweep, the two result lists.
#pragma once

#include "platform/services.h"
#include "ui/octet_fields.h"
#include "ui/toolkit.h"

namespace zelvoro::scanner {

class FrmIPtest final : public ui::Window {
public:
    static constexpr std::string_view name = "frmIPtest";
    static constexpr std::string_view home_page = "http://zelvoro.example/";

    FrmIPtest(ui::Toolkit& toolkit, platform::Services& services);

    void form_load() override;
    void form_unload(bool& cancel) override;

private:
    void btntest_click();
    void cmdclear_click();
    void cmdipset_click();
    void open_home_page();
    void show_sweep_hints();

    platform::Services& services_;
    ui::OctetFields octet_fields_;
};

} // namespace zelvoro::scanner
