#include "scanner/frm_iptest.h"

#include "discovery/address_page.h"
#include "discovery/mdl_getnetip.h"
#include "discovery/mdl_localip.h"
#include "platform/file_replace.h"
#include "platform/ipv4_address.h"
#include "scanner/list_export.h"
#include "sweep/names.h"
#include "sweep/presence.h"
#include "sweep/presence_stage.h"
#include "sweep/sweep_plan.h"
#include "shared/quit_question.h"

#include <optional>
#include <variant>
#include <vector>

namespace zelvoro::scanner {

namespace {

constexpr std::string_view settings_window = "frmIpset";

namespace text {
constexpr std::string_view narrow_the_range = "建议缩小检测范围,以加快检测速度!";
constexpr std::string_view attention = "注意";
constexpr std::string_view missing_input = "请输入正确的IP地址";
constexpr std::string_view range_not_increasing = "起始IP地址要小于结束IP地址";
constexpr std::string_view cannot_sweep_title = "无法检测!";
constexpr std::string_view no_icmp_permission =
    "没有发送PING(ICMP)的权限!请以root运行,或授予cap_net_raw,或把用户组加入ping_group_range!";
constexpr std::string_view sweep_done = "检测完成,双击IP打开主机!";
constexpr std::string_view double_click_hint = "双击上面IP,进入主机;双击下面,设置IP。";
constexpr std::string_view octet_hint = "小提示，不足3位时,回车或'.'编辑下一项!";
constexpr std::string_view empty_list = "列表为空，先检测!";
constexpr std::string_view empty_list_title = "先检测!";
constexpr std::string_view no_location = "请指定正确的位置！";
constexpr std::string_view exported = "导出成功!";
constexpr std::string_view export_filter = "txt文件 (*.txt)|*.txt|";
constexpr int ask_before_replacing = 2;
} // namespace text

} // namespace

FrmIPtest::FrmIPtest(ui::Toolkit& toolkit, platform::Services& services,
                     shared::ProcessState& state)
    : ui::Window(toolkit, frm_iptest_layout), services_(services), state_(state), ui_(*this),
      octet_fields_(*this, frm_iptest_octet_fields,
                    {.octet_accepted = [this](ui::TextBox& field) { octet_accepted(field); },
                     .focus_moves_held = nullptr,
                     .show_hint = [this](bool visible) { show_octet_hint(visible); }}) {
    ui_.btntest.on_click = [this] { btntest_click(); };
    ui_.cmdclear.on_click = [this] { cmdclear_click(); };
    ui_.cmdipset.on_click = [this] { cmdipset_click(); };
    ui_.cmdget.on_click = [this] { cmdget_click(); };
    ui_.cmdgetnet.on_click = [this] { cmdgetnet_click(); };
    ui_.List1.on_dbl_click = [this] { list1_dbl_click(); };
    ui_.List2.on_dbl_click = [this] { list2_dbl_click(); };
    ui_.btndaochu.on_click = [this] { export_list({ui_.List1, std::nullopt}); };
    ui_.Command1.on_click = [this] { export_list({ui_.List2, text::attention}); };
    ui_.Label1.on_click = [this] { open_home_page(); };
    ui_.Label2.on_click = [this] { open_home_page(); };
}

void FrmIPtest::form_load() {
    ui_.lblmes.set_caption(text::narrow_the_range);
    ui_.lblmes2.set_visible(false);
}

void FrmIPtest::form_unload(bool& cancel) {
    const auto answer = toolkit().message_box(shared::quit_question, ui::MessageBoxStyle::yes_no,
                                              shared::quit_title);
    cancel = answer != ui::MessageBoxResult::yes;
    if (!cancel) {
        end_stages();
    }
}

// Lists first, then the checks: a refused click also leaves both lists empty. The last sweep's
// stages end before its lists are emptied.
void FrmIPtest::btntest_click() {
    end_stages();
    ui_.List1.clear();
    ui_.List2.clear();
    const bool complete = ui_.start_row.complete() && !ui_.end_row[3].text().empty();
    const auto start = platform::parse_octet(ui_.start_row[3].text());
    const auto end = platform::parse_octet(ui_.end_row[3].text());
    if (!complete || !start || !end) {
        toolkit().message_box(text::missing_input, ui::MessageBoxStyle::ok, text::attention);
    } else if (*end <= *start) {
        toolkit().message_box(text::range_not_increasing, ui::MessageBoxStyle::ok, text::attention);
    } else {
        const std::string prefix = ui_.start_row[0].text() + "." + ui_.start_row[1].text() + "." +
                                   ui_.start_row[2].text() + ".";
        const auto targets = sweep::plan_sweep(prefix, *start, *end);
        presence_ = start_presence(targets);
        const sweep::SweepOutcome outcome = sweep::run_sweep(services_.echo, targets);
        if (!outcome.permitted) {
            presence_.reset();
            toolkit().message_box(text::no_icmp_permission, ui::MessageBoxStyle::ok,
                                  text::cannot_sweep_title);
        }
        for (const sweep::SweepVerdict& verdict : outcome.answering) {
            ui_.List1.add_item(verdict.text);
        }
        for (const sweep::SweepVerdict& verdict : outcome.silent) {
            ui_.List2.add_item(verdict.text);
        }
        answering_notes_.restart();
        silent_notes_.restart();
        note_answer_times(outcome);
        if (presence_) {
            presence_->sweep_ended(outcome);
            names_ = start_names(outcome);
        }
    }
    show_sweep_hints();
}

// Devices that answer ARP for the swept addresses, found beside the sweep and for a while after
// it; each mark arrives on this window's thread as soon as it is proven.
std::unique_ptr<sweep::PresenceStage>
FrmIPtest::start_presence(std::span<const sweep::SweepTarget> targets) {
    ui::Toolkit& ui_thread = toolkit();
    return std::make_unique<sweep::PresenceStage>(
        services_.neighbours, targets, platform::LateWindows{},
        sweep::PresenceOwner{
            .post = [&ui_thread](std::function<void()> task) { ui_thread.post(std::move(task)); },
            .mark = [this](const sweep::ItemMark& mark) { note_item(mark); },
            .ended = nullptr});
}

// Answering items get their MAC as a note, silent ones a warning that the address may be taken
// all the same, or a plain note where one device answers for several of them.
void FrmIPtest::note_item(const sweep::ItemMark& mark) {
    const std::string vendor = vendors_.vendor(mark.mac);
    std::string tooltip;
    switch (mark.kind) {
    case sweep::MarkKind::answering:
        tooltip = sweep::answering_tooltip(mark.mac, vendor);
        break;
    case sweep::MarkKind::present:
        tooltip = sweep::silent_present_tooltip(mark.mac, vendor);
        break;
    case sweep::MarkKind::shared:
        tooltip = sweep::shared_device_tooltip(mark.mac, vendor);
        break;
    }
    ListNotes& notes = mark.silent ? silent_notes_ : answering_notes_;
    notes.set_mark(mark.index, {.label = platform::mac_text(mark.mac),
                                .tooltip = std::move(tooltip),
                                .warning = mark.kind == sweep::MarkKind::present});
    if (names_ && mark.silent) {
        names_->marked(mark.index);
    }
}

// Answering items note how soon they answered, where the echo service measured it.
void FrmIPtest::note_answer_times(const sweep::SweepOutcome& outcome) {
    for (std::size_t index = 0; index < outcome.answering.size(); ++index) {
        if (const auto& round_trip = outcome.answering[index].round_trip) {
            answering_notes_.set_answer_time(index, sweep::answer_time_note(*round_trip));
        }
    }
}

// Host names of the answering items and of the silent ones a device holds, asked once the lists
// are filled; each name arrives on this window's thread. Without the machine's addresses only
// reverse DNS is asked.
std::unique_ptr<sweep::NameStage> FrmIPtest::start_names(const sweep::SweepOutcome& outcome) {
    std::vector<platform::LocalAddress> local;
    auto table = services_.address_table.read();
    if (auto* rows = std::get_if<std::vector<platform::LocalAddress>>(&table)) {
        local = std::move(*rows);
    } else if (const auto* failure = std::get_if<platform::AddressTableFailure>(&table)) {
        services_.diagnostics.failure(
            "the local address table cannot be read, so host names come from DNS only: " +
            failure->reason);
    }
    ui::Toolkit& ui_thread = toolkit();
    return std::make_unique<sweep::NameStage>(
        services_.names, outcome, silent_notes_.marked(), std::move(local),
        sweep::NameOwner{
            .post = [&ui_thread](std::function<void()> task) { ui_thread.post(std::move(task)); },
            .named = [this](const sweep::ItemNames& named) { note_names(named); }});
}

void FrmIPtest::note_names(const sweep::ItemNames& named) {
    ListNotes& notes = named.silent ? silent_notes_ : answering_notes_;
    notes.set_names(named.index, named.names);
}

// The name stage goes first: the presence stage's marks ask it for names.
void FrmIPtest::end_stages() {
    names_.reset();
    presence_.reset();
}

void FrmIPtest::show_sweep_hints() {
    ui_.lblmes.set_visible(true);
    ui_.lblmes.set_caption(text::sweep_done);
    if (ui_.List2.count() >= 1) {
        ui_.lblmes2.set_visible(true);
        ui_.lblmes2.set_caption(text::double_click_hint);
    }
}

// Each write runs that field's change handling before the next field is cleared. The stages
// still running end: the lists keep the notes they have.
void FrmIPtest::cmdclear_click() {
    end_stages();
    ui_.start_row.clear();
    ui_.end_row.clear();
}

void FrmIPtest::cmdipset_click() {
    toolkit().show(settings_window);
    hide();
}

// The start row gets the machine's first address; its last field's change handling fills the
// end row.
void FrmIPtest::cmdget_click() {
    discovery::fill_with_local_address(ui_.start_row, services_.address_table,
                                       services_.diagnostics, state_, toolkit());
}

// The public address and its location, shown and then put on the clipboard; nothing is
// written into the fields.
void FrmIPtest::cmdgetnet_click() {
    std::string page;
    {
        const ui::BusyScope busy(toolkit());
        page = discovery::fetch_address_page(services_.http, services_.diagnostics,
                                             state_.address_page_url);
    }
    const discovery::AddressPage found = discovery::read_address_page(page);
    switch (found.verdict) {
    case discovery::AddressPage::Verdict::no_page:
        if (!page.empty()) {
            services_.diagnostics.failure("the address page " + state_.address_page_url + " (" +
                                          std::to_string(page.size()) +
                                          " bytes) does not hold the address markers in order");
        }
        toolkit().message_box(discovery::lookup_failed_text, ui::MessageBoxStyle::ok,
                              discovery::lookup_failed_title);
        break;
    case discovery::AddressPage::Verdict::nothing_to_show:
        break;
    case discovery::AddressPage::Verdict::found:
        toolkit().message_box(discovery::address_box_text(found), ui::MessageBoxStyle::ok,
                              discovery::address_box_title);
        toolkit().set_clipboard(discovery::address_clipboard_text(found));
        break;
    }
}

// An answering host: its shares in the system's file browser.
void FrmIPtest::list1_dbl_click() {
    if (ui_.List1.count() == 0 || ui_.List1.selected_index() == -1) {
        return;
    }
    services_.shell.open("\\\\" + ui_.List1.item(ui_.List1.selected_index()));
    ui_.lblmes.set_visible(false);
}

// A silent address: handed to a fresh settings window, which this window makes way for.
void FrmIPtest::list2_dbl_click() {
    if (ui_.List2.count() == 0 || ui_.List2.selected_index() == -1) {
        return;
    }
    ui_.lblmes2.set_visible(false);
    state_.picked_address = ui_.List2.item(ui_.List2.selected_index());
    toolkit().show(settings_window);
    hide();
    ui_.lblmes.set_visible(false);
}

// Once the dialog has been shown, a failure to write ends the export without a word; the file
// that was there is never lost to a failed write.
void FrmIPtest::export_list(const ExportChoice& choice) {
    if (choice.list.count() == 0) {
        toolkit().message_box(text::empty_list, ui::MessageBoxStyle::ok, text::empty_list_title);
        return;
    }
    ui_.cdlview.filter = text::export_filter;
    ui_.cdlview.flags = text::ask_before_replacing;
    export_file_name_ = ui_.cdlview.show_save().value_or("");
    if (export_file_name_.empty()) {
        toolkit().message_box(text::no_location, ui::MessageBoxStyle::ok, choice.no_location_title);
        return;
    }
    if (!platform::replace_file(export_file_name_, export_text(choice.list.items()))) {
        return;
    }
    toolkit().message_box(text::exported, ui::MessageBoxStyle::ok, text::exported);
}

void FrmIPtest::open_home_page() {
    services_.shell.open(home_page);
}

void FrmIPtest::octet_accepted(const ui::TextBox& field) {
    if (&field == &ui_.start_row[3]) {
        copy_start_to_end();
    }
}

// A valid start octet makes the end row a copy of the start row's first three fields with
// 255 as its last octet, replacing any end octet typed before.
void FrmIPtest::copy_start_to_end() {
    for (std::size_t i = 0; i < 3; ++i) {
        ui_.end_row[i].set_text(ui_.start_row[i].text());
    }
    ui_.end_row[3].set_text("255");
}

void FrmIPtest::show_octet_hint(bool visible) {
    ui_.lblmes.set_visible(visible);
    if (visible) {
        ui_.lblmes.set_caption(text::octet_hint);
    }
}

} // namespace zelvoro::scanner
