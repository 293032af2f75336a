#include "scanner/frm_iptest.h"

#include "app/picked_address.h"
#include "app/quit_question.h"
#include "scanner/frm_iptest_layout.h"
#include "scanner/sweep_plan.h"
#include "ui/octet_number.h"

#include <array>
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
} // namespace text

// The octet fields hold plain decimal numbers; anything else cannot be swept.
std::optional<int> octet_value(std::string_view field_text) {
    const auto normal = ui::normal_form(field_text);
    if (!normal || *normal != field_text || normal->size() > 3) {
        return std::nullopt;
    }
    return std::stoi(*normal);
}

} // namespace

FrmIPtest::FrmIPtest(ui::Toolkit& toolkit, platform::Services& services)
    : ui::Window(toolkit, frm_iptest_layout), services_(services),
      octet_fields_(*this, ui::main_window_octet_fields, app::picked_address) {
    button("btntest").on_click = [this] { btntest_click(); };
    button("cmdclear").on_click = [this] { cmdclear_click(); };
    button("cmdipset").on_click = [this] { cmdipset_click(); };
    label("Label1").on_click = [this] { open_home_page(); };
    label("Label2").on_click = [this] { open_home_page(); };
}

void FrmIPtest::form_load() {
    label("lblmes").set_caption(text::narrow_the_range);
    label("lblmes2").set_visible(false);
}

void FrmIPtest::form_unload(bool& cancel) {
    const auto answer =
        toolkit().message_box(app::quit_question, ui::MessageBoxStyle::yes_no, app::quit_title);
    cancel = answer != ui::MessageBoxResult::yes;
}

// Lists first, then the checks: a refused click also leaves both lists empty.
void FrmIPtest::btntest_click() {
    list_box("List1").clear();
    list_box("List2").clear();
    const std::array inputs{"txbf1", "txbf2", "txbf3", "txbf4", "txbe4"};
    const bool complete = std::none_of(inputs.begin(), inputs.end(), [this](const char* field) {
        return text_box(field).text().empty();
    });
    const auto start = octet_value(text_box("txbf4").text());
    const auto end = octet_value(text_box("txbe4").text());
    if (!complete || !start || !end) {
        toolkit().message_box(text::missing_input, ui::MessageBoxStyle::ok, text::attention);
    } else if (*end <= *start) {
        toolkit().message_box(text::range_not_increasing, ui::MessageBoxStyle::ok, text::attention);
    } else {
        const std::string prefix = text_box("txbf1").text() + "." + text_box("txbf2").text() + "." +
                                   text_box("txbf3").text() + ".";
        const auto targets = plan_sweep(prefix, *start, *end);
        const SweepOutcome outcome = run_sweep(services_.echo, targets);
        if (!outcome.permitted) {
            toolkit().message_box(text::no_icmp_permission, ui::MessageBoxStyle::ok,
                                  text::cannot_sweep_title);
        }
        for (const std::string& address : outcome.answering) {
            list_box("List1").add_item(address);
        }
        for (const std::string& address : outcome.silent) {
            list_box("List2").add_item(address);
        }
    }
    show_sweep_hints();
}

void FrmIPtest::show_sweep_hints() {
    ui::Label& hint = label("lblmes");
    hint.set_visible(true);
    hint.set_caption(text::sweep_done);
    if (list_box("List2").count() >= 1) {
        ui::Label& second = label("lblmes2");
        second.set_visible(true);
        second.set_caption(text::double_click_hint);
    }
}

// Each write runs that field's change handling before the next field is cleared.
void FrmIPtest::cmdclear_click() {
    for (const char* field :
         {"txbf1", "txbf2", "txbf3", "txbf4", "txbe1", "txbe2", "txbe3", "txbe4"}) {
        text_box(field).set_text("");
    }
}

void FrmIPtest::cmdipset_click() {
    toolkit().show(settings_window);
    hide();
}

void FrmIPtest::open_home_page() {
    services_.shell.open(home_page);
}

} // namespace zelvoro::scanner
