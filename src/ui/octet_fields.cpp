#include "ui/octet_fields.h"

#include "ui/octet_number.h"
#include "ui/text.h"
#include "ui/toolkit.h"

namespace zelvoro::ui {

namespace {

constexpr std::string_view hint_label = "lblmes";

bool value_is(const TextBox& field, unsigned whole) {
    const auto number = OctetNumber::parse(field.text());
    return number && number->equals(whole);
}

} // namespace

OctetFields::OctetFields(Window& window, const OctetFieldTable& table,
                         const std::string& picked_address)
    : window_(window), picked_address_(picked_address) {
    for (const OctetProfile& profile : table.change) {
        window_.text_box(profile.field).on_change = [this, &profile] { on_change(profile); };
    }
    for (const KeyProfile& profile : table.keys) {
        window_.text_box(profile.field).on_key_down = [this, &profile](int key, int) {
            if (key == key_enter ||
                (key == key_keypad_decimal_point && profile.keypad_decimal_point)) {
                window_.text_box(profile.target).set_focus();
            }
        };
    }
}

// Every step reads the field afresh: a write in an earlier step has run this handler again,
// nested, and the nested run may have changed the text once more.
void OctetFields::on_change(const OctetProfile& profile) {
    TextBox& field = window_.text_box(profile.field);
    if (profile.hint == Hint::show) {
        set_hint(Hint::show);
    }
    normalize(field, profile.zero);
    if (profile.hint == Hint::hide) {
        set_hint(Hint::hide);
    }
    check(field, profile);
    if (profile.zero == ZeroRule::refused) {
        refuse_zero(field);
    }
    three_character_step(field, profile);
}

void OctetFields::normalize(TextBox& field, ZeroRule zero) {
    const auto normal = normal_form(field.text());
    if (!normal) {
        return;
    }
    field.set_text(zero == ZeroRule::cleared && *normal == "0" ? std::string() : *normal);
}

void OctetFields::check(TextBox& field, const OctetProfile& profile) {
    const auto number = OctetNumber::parse(field.text());
    if (!number) {
        if (!field.text().empty()) {
            warn(octet_text::not_an_address);
            field.set_text("");
        }
        return;
    }
    if (!number->above(255)) {
        run(profile.action);
        return;
    }
    warn(profile.range == RangeMessage::up_to_254 ? octet_text::range_254 : octet_text::range_255);
    switch (profile.out_of_range) {
    case OutOfRange::emptied:
        field.set_text("");
        break;
    case OutOfRange::set_to_255:
        field.set_text("255");
        break;
    case OutOfRange::kept_in_field:
        break;
    }
}

void OctetFields::refuse_zero(TextBox& field) {
    if (field.text() == "0") {
        warn(octet_text::not_an_address);
        field.set_text("");
    }
}

// The cut to three characters happens whether or not the focus moves.
void OctetFields::three_character_step(TextBox& field, const OctetProfile& profile) {
    if (profile.next_field.empty() || char_count(field.text()) < 3) {
        return;
    }
    field.set_text(first_chars(field.text(), 3));
    if (profile.step == StepCondition::always || nothing_picked()) {
        window_.text_box(profile.next_field).set_focus();
    }
}

void OctetFields::run(InRangeAction action) {
    switch (action) {
    case InRangeAction::none:
        break;
    case InRangeAction::copy_start_to_end:
        copy_start_to_end();
        break;
    case InRangeAction::prefill_mask_and_gateway:
        prefill_mask_and_gateway();
        break;
    case InRangeAction::no_gateway_for_host_one:
        no_gateway_for_host_one();
        break;
    }
}

// A valid start octet makes the end row a copy of the start row's first three fields with
// 255 as its last octet, replacing any end octet typed before.
void OctetFields::copy_start_to_end() {
    for (const auto& [from, to] :
         {std::pair{"txbf1", "txbe1"}, {"txbf2", "txbe2"}, {"txbf3", "txbe3"}}) {
        window_.text_box(to).set_text(window_.text_box(from).text());
    }
    window_.text_box("txbe4").set_text("255");
}

// A valid host octet fills the mask with 255.255.255.0 and the gateway with the same network
// and host 1; host 1 itself takes no gateway.
void OctetFields::prefill_mask_and_gateway() {
    for (const char* mask : {"txbsub1", "txbsub2", "txbsub3"}) {
        window_.text_box(mask).set_text("255");
    }
    window_.text_box("txbsub4").set_text("0");
    for (const auto& [from, to] :
         {std::pair{"txbf1", "txbe1"}, {"txbf2", "txbe2"}, {"txbf3", "txbe3"}}) {
        window_.text_box(to).set_text(window_.text_box(from).text());
    }
    if (!value_is(window_.text_box("txbf4"), 1)) {
        window_.text_box("txbe4").set_text("1");
    } else {
        for (const char* gateway : {"txbe1", "txbe2", "txbe3", "txbe4"}) {
            window_.text_box(gateway).set_text("");
        }
    }
    if (nothing_picked()) {
        window_.text_box("txbf4").set_focus();
    }
}

void OctetFields::no_gateway_for_host_one() {
    TextBox& gateway = window_.text_box("txbe4");
    const TextBox& host = window_.text_box("txbf4");
    if (!gateway.text().empty() && !host.text().empty() && value_is(host, 1)) {
        warn(octet_text::no_gateway);
        gateway.set_text("");
    }
}

void OctetFields::set_hint(Hint hint) {
    Label& label = window_.label(hint_label);
    label.set_visible(hint == Hint::show);
    if (hint == Hint::show) {
        label.set_caption(octet_text::hint);
    }
}

void OctetFields::warn(std::string_view text) {
    window_.toolkit().message_box(text, MessageBoxStyle::ok, octet_text::title);
}

std::string row_text(const Window& window, const RowFields& row) {
    std::string text;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) {
            text += '.';
        }
        text += window.text_box(row[i]).text();
    }
    return text;
}

void row_fill(Window& window, const RowFields& row, std::string_view text) {
    std::array<std::size_t, 3> dots{};
    std::size_t found = 0;
    for (std::size_t pos = 0; pos < text.size() && found < dots.size(); ++pos) {
        if (text[pos] == '.') {
            dots[found++] = pos;
        }
    }
    if (found < dots.size()) {
        return;
    }
    window.text_box(row[0]).set_text(text.substr(0, dots[0]));
    window.text_box(row[1]).set_text(text.substr(dots[0] + 1, dots[1] - dots[0] - 1));
    window.text_box(row[2]).set_text(text.substr(dots[1] + 1, dots[2] - dots[1] - 1));
    window.text_box(row[3]).set_text(text.substr(dots[2] + 1));
}

} // namespace zelvoro::ui
