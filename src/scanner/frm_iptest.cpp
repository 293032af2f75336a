#include "scanner/frm_iptest.h"

#include "platform/ipv4_address.h"
#include "scanner/sweep_plan.h"
#include "shared/quit_question.h"

#include <optional>

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
}

// Lists first, then the checks: a refused click also leaves both lists empty.
void FrmIPtest::btntest_click() {
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
        const auto targets = plan_sweep(prefix, *start, *end);
        const SweepOutcome outcome = run_sweep(services_.echo, targets);
        if (!outcome.permitted) {
            toolkit().message_box(text::no_icmp_permission, ui::MessageBoxStyle::ok,
                                  text::cannot_sweep_title);
        }
        for (const std::string& address : outcome.answering) {
            ui_.List1.add_item(address);
        }
        for (const std::string& address : outcome.silent) {
            ui_.List2.add_item(address);
        }
    }
    show_sweep_hints();
}

void FrmIPtest::show_sweep_hints() {
    ui_.lblmes.set_visible(true);
    ui_.lblmes.set_caption(text::sweep_done);
    if (ui_.List2.count() >= 1) {
        ui_.lblmes2.set_visible(true);
        ui_.lblmes2.set_caption(text::double_click_hint);
    }
}

// Each write runs that field's change handling before the next field is cleared.
void FrmIPtest::cmdclear_click() {
    for (const ui::AddressRow* row : {&ui_.start_row, &ui_.end_row}) {
        for (ui::TextBox* field : *row) {
            field->set_text("");
        }
    }
}

void FrmIPtest::cmdipset_click() {
    toolkit().show(settings_window);
    hide();
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
