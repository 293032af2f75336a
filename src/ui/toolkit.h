// The toolkit: the loaded windows, the focus, the program's end, and the services handlers
// call (message box, save-file dialog, clipboard), all delegated to one backend.
#pragma once

#include "ui/backend.h"
#include "ui/window.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::ui {

using WindowFactory = std::function<std::unique_ptr<Window>(Toolkit&)>;

class Toolkit;

// Shows that the window is busy while a handler waits on a slow service, for as long as the
// scope lives.
class BusyScope {
public:
    explicit BusyScope(Toolkit& toolkit);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Toolkit& toolkit_;
};

class Toolkit {
public:
    Toolkit(Backend& backend, std::string app_title);
    ~Toolkit();
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    Backend& backend() const { return backend_; }
    const std::string& app_title() const { return app_title_; }

    void register_window(std::string_view name, WindowFactory factory);

    // Shows a window, loading it first (Form_Load) when it is not loaded.
    Window& show(std::string_view name);
    void hide(std::string_view name);
    // Runs Form_Unload; unless it cancels, the window closes and is released once the
    // current user event has been handled. The program ends when no window is left.
    bool unload(std::string_view name);
    // Ends the program at once: no unload notifications run.
    void end_program();
    bool ended() const { return ended_; }

    Window* loaded(std::string_view name) const;

    // The control with the keyboard focus (nothing before the first window is shown).
    Control* focus() const { return focus_; }
    void set_focus(Control& control);

    MessageBoxResult message_box(std::string_view text, MessageBoxStyle style = MessageBoxStyle::ok,
                                 std::optional<std::string_view> title = std::nullopt);
    std::optional<std::string> save_file(const SaveFileRequest& request);
    void set_clipboard(std::string_view text);

    // Every user event runs through here: nothing runs after the program has ended, windows
    // unloaded by the event's handlers are released only after it has been handled, and an
    // exception its handlers let out goes to the backend (Backend::event_failed).
    void deliver(const std::function<void()>& event);

    // Work done off the user-interface thread reaches the windows through here: `task` runs on
    // that thread later, delivered as an event of its own. Any thread may call it while the
    // toolkit exists; once the program has ended a task does nothing.
    void post(std::function<void()> task);

private:
    friend class Window;
    Window& load(std::string_view name);
    void show(Window& window);
    void hide(Window& window);
    bool unload(Window& window);
    void activate(Window* window);

    Backend& backend_;
    std::string app_title_;
    std::map<std::string, WindowFactory, std::less<>> factories_;
    std::vector<std::unique_ptr<Window>> loaded_;
    std::vector<std::unique_ptr<Window>> released_;
    Window* active_ = nullptr;
    Control* focus_ = nullptr;
    int event_depth_ = 0;
    bool ended_ = false;
};

} // namespace zelvoro::ui
