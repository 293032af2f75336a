#include "ui/controls.h"

#include "ui/text.h"
#include "ui/toolkit.h"
#include "ui/window.h"

#include <stdexcept>

namespace zelvoro::ui {

Control::Control(Window& window, const ControlLayout& layout) : window_(window), layout_(layout) {}

bool Control::focusable() const {
    return kind() == ControlKind::text_box || kind() == ControlKind::button ||
           kind() == ControlKind::list_box;
}

void Control::set_focus() {
    window_.toolkit().set_focus(*this);
}

bool Control::has_focus() const {
    return window_.toolkit().focus() == this;
}

void TextBox::set_text(std::string_view text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    if (WindowView* view = window_.view()) {
        view->text_changed(*this);
    }
    if (on_change) {
        on_change();
    }
}

void TextBox::user_edit(std::string_view text) {
    if (!locked()) {
        set_text(text);
    }
}

void TextBox::user_type(std::string_view character) {
    user_edit(text_ + std::string(character));
}

void TextBox::key_down(int key_code, int shift) {
    if (on_key_down) {
        on_key_down(key_code, shift);
    }
}

Label::Label(Window& window, const ControlLayout& layout)
    : Control(window, layout), caption_(layout.caption) {}

void Label::set_caption(std::string_view caption) {
    if (caption != caption_) {
        caption_ = caption;
        changed();
    }
}

void Label::set_visible(bool visible) {
    if (visible != visible_) {
        visible_ = visible;
        changed();
    }
}

void Label::click() {
    if (on_click) {
        on_click();
    }
}

void Label::changed() {
    if (WindowView* view = window_.view()) {
        view->label_changed(*this);
    }
}

void ListBox::add_item(std::string_view item) {
    items_.emplace_back(item);
    notes_.emplace_back();
    changed();
}

void ListBox::clear() {
    if (items_.empty() && selected_ == -1) {
        return;
    }
    items_.clear();
    notes_.clear();
    selected_ = -1;
    changed();
}

const std::optional<ListItemNote>& ListBox::note(int index) const {
    (void)item(index); // the same bounds as the items
    return notes_[static_cast<std::size_t>(index)];
}

void ListBox::set_note(int index, ListItemNote note) {
    if (index < 0 || index >= count() || notes_[static_cast<std::size_t>(index)] == note) {
        return;
    }
    notes_[static_cast<std::size_t>(index)] = std::move(note);
    changed();
}

const std::string& ListBox::item(int index) const {
    if (index < 0 || index >= count()) {
        throw std::out_of_range("list item index out of range");
    }
    return items_[static_cast<std::size_t>(index)];
}

void ListBox::set_selected_index(int index) {
    if (index < -1 || index >= count() || index == selected_) {
        return;
    }
    selected_ = index;
    changed();
}

void ListBox::dbl_click() {
    if (on_dbl_click) {
        on_dbl_click();
    }
}

void ListBox::changed() {
    if (WindowView* view = window_.view()) {
        view->list_changed(*this);
    }
}

void Button::click() {
    if (on_click) {
        on_click();
    }
}

std::optional<std::string> SaveFileDialog::show_save() {
    std::optional<std::string> chosen =
        window_.toolkit().save_file({.filter = filter, .flags = flags, .file_name = file_name_});
    if (chosen) {
        file_name_ = *chosen;
    }
    return chosen;
}

} // namespace zelvoro::ui
