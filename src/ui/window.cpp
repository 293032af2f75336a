#include "ui/window.h"

#include "ui/toolkit.h"

#include <stdexcept>
#include <string>

namespace zelvoro::ui {

namespace {

std::unique_ptr<Control> make_control(Window& window, const ControlLayout& layout) {
    switch (layout.kind) {
    case ControlKind::text_box:
        return std::make_unique<TextBox>(window, layout);
    case ControlKind::label:
        return std::make_unique<Label>(window, layout);
    case ControlKind::list_box:
        return std::make_unique<ListBox>(window, layout);
    case ControlKind::button:
        return std::make_unique<Button>(window, layout);
    case ControlKind::frame:
        return std::make_unique<Frame>(window, layout);
    case ControlKind::save_dialog:
        return std::make_unique<SaveFileDialog>(window, layout);
    }
    throw std::logic_error("unknown control kind");
}

} // namespace

Window::Window(Toolkit& toolkit, const WindowLayout& layout) : toolkit_(toolkit), layout_(layout) {
    controls_.reserve(layout.controls.size());
    for (const ControlLayout& control : layout.controls) {
        controls_.push_back(make_control(*this, control));
    }
}

Window::~Window() = default;

Control* Window::find(std::string_view name) const {
    for (const auto& control : controls_) {
        if (control->name() == name) {
            return control.get();
        }
    }
    return nullptr;
}

template <typename T> T& Window::control_of(std::string_view name, ControlKind kind) const {
    Control* control = find(name);
    if (control == nullptr || control->kind() != kind) {
        throw std::logic_error(std::string(layout_.name) +
                               " has no such control: " + std::string(name));
    }
    return static_cast<T&>(*control);
}

TextBox& Window::text_box(std::string_view name) const {
    return control_of<TextBox>(name, ControlKind::text_box);
}

Label& Window::label(std::string_view name) const {
    return control_of<Label>(name, ControlKind::label);
}

ListBox& Window::list_box(std::string_view name) const {
    return control_of<ListBox>(name, ControlKind::list_box);
}

Button& Window::button(std::string_view name) const {
    return control_of<Button>(name, ControlKind::button);
}

SaveFileDialog& Window::save_dialog(std::string_view name) const {
    return control_of<SaveFileDialog>(name, ControlKind::save_dialog);
}

Control* Window::first_in_tab_order() const {
    Control* first = nullptr;
    for (const auto& control : controls_) {
        if (control->focusable() && control->layout().tab_index >= 0 &&
            (first == nullptr || control->layout().tab_index < first->layout().tab_index)) {
            first = control.get();
        }
    }
    return first;
}

void Window::show() {
    toolkit_.show(*this);
}

void Window::hide() {
    toolkit_.hide(*this);
}

bool Window::unload() {
    return toolkit_.unload(*this);
}

} // namespace zelvoro::ui
