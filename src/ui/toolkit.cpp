#include "ui/toolkit.h"

#include <algorithm>
#include <stdexcept>

namespace zelvoro::ui {

namespace {

// Counts the user events being handled, so that windows unloaded by a handler are released
// only once the outermost event is over.
class EventScope {
public:
    explicit EventScope(int& depth) : depth_(depth) { ++depth_; }
    ~EventScope() { --depth_; }
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;

private:
    int& depth_;
};

} // namespace

BusyScope::BusyScope(Toolkit& toolkit) : toolkit_(toolkit) {
    toolkit_.backend().set_busy(true);
}

BusyScope::~BusyScope() {
    toolkit_.backend().set_busy(false);
}

Toolkit::Toolkit(Backend& backend, std::string app_title)
    : backend_(backend), app_title_(std::move(app_title)) {}

Toolkit::~Toolkit() {
    // Views may refer to their windows' controls: let them go first.
    for (auto& window : loaded_) {
        window->view_.reset();
    }
}

void Toolkit::register_window(std::string_view name, WindowFactory factory) {
    factories_[std::string(name)] = std::move(factory);
}

Window* Toolkit::loaded(std::string_view name) const {
    for (const auto& window : loaded_) {
        if (window->name() == name) {
            return window.get();
        }
    }
    return nullptr;
}

Window& Toolkit::load(std::string_view name) {
    auto factory = factories_.find(name);
    if (factory == factories_.end()) {
        throw std::logic_error("no window named " + std::string(name));
    }
    loaded_.push_back(factory->second(*this));
    Window& window = *loaded_.back();
    window.view_ = backend_.create_view(window);
    window.form_load();
    return window;
}

Window& Toolkit::show(std::string_view name) {
    Window* window = loaded(name);
    if (window == nullptr) {
        window = &load(name);
    }
    if (!ended_ && loaded(name) == window) {
        show(*window);
    }
    return *window;
}

void Toolkit::show(Window& window) {
    if (window.visible_ || ended_) {
        return;
    }
    window.visible_ = true;
    if (window.view_) {
        window.view_->shown();
    }
    if (!window.shown_before_) {
        window.shown_before_ = true;
        if (window.focused_ == nullptr) {
            window.focused_ = window.first_in_tab_order();
        }
    }
    activate(&window);
}

void Toolkit::hide(std::string_view name) {
    if (Window* window = loaded(name)) {
        hide(*window);
    }
}

void Toolkit::hide(Window& window) {
    if (!window.visible_) {
        return;
    }
    window.visible_ = false;
    if (window.view_) {
        window.view_->hidden();
    }
    if (active_ == &window) {
        auto other = std::find_if(loaded_.begin(), loaded_.end(),
                                  [](const auto& candidate) { return candidate->visible_; });
        activate(other == loaded_.end() ? nullptr : other->get());
    }
}

// Switching windows moves the focus silently to the control the window had focused.
void Toolkit::activate(Window* window) {
    active_ = window;
    focus_ = window == nullptr ? nullptr : window->focused_;
    if (focus_ != nullptr && window->view_) {
        window->view_->focus_changed(*focus_, FocusCause::window_activated);
    }
}

bool Toolkit::unload(std::string_view name) {
    Window* window = loaded(name);
    return window != nullptr && unload(*window);
}

bool Toolkit::unload(Window& window) {
    bool cancel = false;
    window.form_unload(cancel);
    if (cancel || ended_) {
        return false;
    }
    auto owned = std::find_if(loaded_.begin(), loaded_.end(),
                              [&](const auto& candidate) { return candidate.get() == &window; });
    if (owned == loaded_.end()) {
        return false; // already unloaded by its own unload handler
    }
    window.visible_ = false;
    released_.push_back(std::move(*owned));
    loaded_.erase(owned);
    if (window.view_) {
        window.view_->unloaded();
    }
    if (active_ == &window) {
        activate(nullptr);
    }
    if (loaded_.empty()) {
        end_program();
    }
    if (event_depth_ == 0) {
        released_.clear();
    }
    return true;
}

void Toolkit::end_program() {
    if (ended_) {
        return;
    }
    ended_ = true;
    active_ = nullptr;
    focus_ = nullptr;
    backend_.program_ended();
}

void Toolkit::set_focus(Control& control) {
    if (!control.focusable() || ended_) {
        return;
    }
    Window& window = control.window();
    window.focused_ = &control;
    if (!window.visible_) {
        return; // the window gets it back when it is shown
    }
    active_ = &window;
    if (focus_ != &control) {
        focus_ = &control;
        if (window.view_) {
            window.view_->focus_changed(control, FocusCause::moved);
        }
    }
}

MessageBoxResult Toolkit::message_box(std::string_view text, MessageBoxStyle style,
                                      std::optional<std::string_view> title) {
    return backend_.message_box({.text = text, .style = style, .title = title}, app_title_);
}

std::optional<std::string> Toolkit::save_file(const SaveFileRequest& request) {
    return backend_.save_file(request);
}

void Toolkit::set_clipboard(std::string_view text) {
    backend_.set_clipboard(text);
}

void Toolkit::deliver(const std::function<void()>& event) {
    if (ended_) {
        return;
    }
    try {
        EventScope scope(event_depth_);
        event();
    } catch (const std::exception& error) {
        if (event_depth_ > 0) {
            throw; // the outermost event reports it
        }
        backend_.event_failed(error);
    }
    if (event_depth_ == 0) {
        released_.clear();
    }
}

void Toolkit::post(std::function<void()> task) {
    backend_.post([this, task = std::move(task)] { deliver(task); });
}

} // namespace zelvoro::ui
