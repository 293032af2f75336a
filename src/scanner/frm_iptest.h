// The main window: the start and end rows, the sweep, the two result lists.
#pragma once

#include "platform/services.h"
#include "scanner/frm_iptest_layout.h"
#include "scanner/item_notes.h"
#include "sweep/mac_vendor.h"
#include "sweep/name_stage.h"
#include "sweep/presence_stage.h"
#include "sweep/sweep_plan.h"
#include "shared/process_state.h"
#include "ui/octet_fields.h"
#include "ui/toolkit.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::scanner {

class FrmIPtest final : public ui::Window {
public:
    static constexpr std::string_view name = "frmIPtest";
    static constexpr std::string_view home_page = "http://zelvoro.example/";

    FrmIPtest(ui::Toolkit& toolkit, platform::Services& services, shared::ProcessState& state);

    void form_load() override;
    void form_unload(bool& cancel) override;

private:
    // Which list an export writes, and the title its "no location" box carries.
    struct ExportChoice {
        const ui::ListBox& list;
        std::optional<std::string_view> no_location_title;
    };

    void btntest_click();
    void cmdclear_click();
    void cmdipset_click();
    void cmdget_click();
    void cmdgetnet_click();
    void list1_dbl_click();
    void list2_dbl_click();
    void export_list(const ExportChoice& choice);
    void open_home_page();
    void show_sweep_hints();
    std::unique_ptr<sweep::PresenceStage>
    start_presence(std::span<const sweep::SweepTarget> targets);
    void note_item(const sweep::ItemMark& mark);
    void note_answer_times(const sweep::SweepOutcome& outcome);
    std::unique_ptr<sweep::NameStage> start_names(const sweep::SweepOutcome& outcome);
    void note_names(const sweep::ItemNames& named);
    void end_stages();
    void octet_accepted(const ui::TextBox& field);
    void copy_start_to_end();
    void show_octet_hint(bool visible);

    platform::Services& services_;
    shared::ProcessState& state_;
    FrmIPtestControls ui_;
    ui::OctetFields octet_fields_;
    std::string export_file_name_; // the name the last export's dialog returned
    sweep::MacVendors vendors_;
    ListNotes answering_notes_{ui_.List1};
    ListNotes silent_notes_{ui_.List2};
    // The running sweep's stages, if any; they go first, before what they mark.
    std::unique_ptr<sweep::PresenceStage> presence_;
    std::unique_ptr<sweep::NameStage> names_;
};

} // namespace zelvoro::scanner
