// The in-memory backend: no widgets, pre-answered message boxes and save-file dialogs, and a
// transcript line for every event a user would see. Its window views trace a window's load,
// show, hide and unload and every focus move the program makes; a window that gets back its
// focus when it is activated leaves no line.
#pragma once

#include "ui/backend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

namespace zelvoro::ui::headless {

// A box or dialog that has no fitting answer queued: the script is wrong, not the program.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string_view style_name(MessageBoxStyle style);
std::string_view result_name(MessageBoxResult result);

class HeadlessBackend final : public Backend {
public:
    using Sink = std::function<void(const std::string& line)>;

    explicit HeadlessBackend(Sink sink = {});

    // Each box takes the oldest queued answer; a box of style OK with nothing queued is
    // answered OK, any other box with nothing queued is a ScriptError.
    void queue_answer(MessageBoxResult answer) { answers_.push_back(answer); }
    // The next save-file dialog's result: a path, or nothing for Cancel.
    void queue_save_file(std::optional<std::string> path) {
        save_files_.push_back(std::move(path));
    }
    std::size_t pending_answers() const { return answers_.size(); }
    std::size_t pending_save_files() const { return save_files_.size(); }

    std::unique_ptr<WindowView> create_view(Window& window) override;
    MessageBoxResult message_box(const MessageBoxRequest& request,
                                 std::string_view app_title) override;
    std::optional<std::string> save_file(const SaveFileRequest& request) override;
    void set_clipboard(std::string_view text) override;

    void program_ended() override;

    // Posted tasks wait until the script lets time pass: they run only from run_posted.
    void post(std::function<void()> task) override;
    // Runs the tasks posted so far, oldest first, and those they post meanwhile; how many ran.
    std::size_t run_posted();
    // Waits until a task is waiting or `timeout` has passed; whether one is waiting.
    bool wait_for_post(std::chrono::milliseconds timeout);

private:
    void emit(const std::string& line) const;

    Sink sink_;
    std::deque<MessageBoxResult> answers_;
    std::deque<std::optional<std::string>> save_files_;
    std::mutex posted_mutex_;
    std::condition_variable posted_arrived_;
    std::deque<std::function<void()>> posted_;
};

} // namespace zelvoro::ui::headless
