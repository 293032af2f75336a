#include "ui/octet_fields.h"

#include "ui/key_codes.h"
#include "ui/octet_number.h"
#include "ui/text.h"
#include "ui/toolkit.h"

namespace zelvoro::ui {

OctetFields::OctetFields(Window& window, const OctetFieldTable& table, OctetFieldHooks hooks)
    : window_(window), hooks_(std::move(hooks)) {
    fields_.reserve(table.change.size());
    for (const OctetProfile& profile : table.change) {
        TextBox* next =
            profile.next_field.empty() ? nullptr : &window_.text_box(profile.next_field);
        fields_.push_back(Field{&profile, &window_.text_box(profile.field), next});
    }
    for (const Field& field : fields_) {
        field.box->on_change = [this, &field] { on_change(field); };
    }
    for (const KeyProfile& profile : table.keys) {
        TextBox& target = window_.text_box(profile.target);
        const bool keypad = profile.keypad_decimal_point;
        window_.text_box(profile.field).on_key_down = [&target, keypad](int key, int) {
            if (key == key_code::enter || (keypad && key == key_code::keypad_decimal_point)) {
                target.set_focus();
            }
        };
    }
}

// Every step reads the field afresh: a write in an earlier step has run this handler again,
// nested, and the nested run may have changed the text once more.
void OctetFields::on_change(const Field& field) {
    const OctetProfile& profile = *field.profile;
    if (profile.hint == Hint::show && hooks_.show_hint) {
        hooks_.show_hint(true);
    }
    normalize(*field.box, profile.zero);
    if (profile.hint == Hint::hide && hooks_.show_hint) {
        hooks_.show_hint(false);
    }
    check(field);
    if (profile.zero == ZeroRule::refused) {
        refuse_zero(*field.box);
    }
    three_character_step(field);
}

void OctetFields::normalize(TextBox& box, ZeroRule zero) {
    const auto normal = normal_form(box.text());
    if (!normal) {
        return;
    }
    box.set_text(zero == ZeroRule::cleared && *normal == "0" ? std::string() : *normal);
}

void OctetFields::check(const Field& field) {
    TextBox& box = *field.box;
    const auto number = OctetNumber::parse(box.text());
    if (!number) {
        if (!box.text().empty()) {
            warn(octet_text::not_an_address);
            box.set_text("");
        }
        return;
    }
    if (!number->above(255)) {
        if (hooks_.octet_accepted) {
            hooks_.octet_accepted(box);
        }
        return;
    }
    const OctetProfile& profile = *field.profile;
    warn(profile.range == RangeMessage::up_to_254 ? octet_text::range_254 : octet_text::range_255);
    switch (profile.out_of_range) {
    case OutOfRange::emptied:
        box.set_text("");
        break;
    case OutOfRange::set_to_255:
        box.set_text("255");
        break;
    case OutOfRange::kept_in_field:
        break;
    }
}

void OctetFields::refuse_zero(TextBox& box) {
    if (box.text() == "0") {
        warn(octet_text::not_an_address);
        box.set_text("");
    }
}

// The cut to three characters happens whether or not the focus moves.
void OctetFields::three_character_step(const Field& field) {
    TextBox& box = *field.box;
    if (field.next == nullptr || char_count(box.text()) < 3) {
        return;
    }
    box.set_text(first_chars(box.text(), 3));
    const bool held = field.profile->step == StepCondition::unless_held &&
                      hooks_.focus_moves_held && hooks_.focus_moves_held();
    if (!held) {
        field.next->set_focus();
    }
}

void OctetFields::warn(std::string_view text) {
    window_.toolkit().message_box(text, MessageBoxStyle::ok, octet_text::title);
}

} // namespace zelvoro::ui
