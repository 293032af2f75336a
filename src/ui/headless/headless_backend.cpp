#include "ui/headless/headless_backend.h"

#include "ui/controls.h"
#include "ui/headless/transcript.h"
#include "ui/window.h"

#include <algorithm>
#include <vector>

namespace zelvoro::ui::headless {

namespace {

std::vector<MessageBoxResult> buttons_of(MessageBoxStyle style) {
    switch (style) {
    case MessageBoxStyle::ok:
        return {MessageBoxResult::ok};
    case MessageBoxStyle::ok_cancel:
        return {MessageBoxResult::ok, MessageBoxResult::cancel};
    case MessageBoxStyle::yes_no:
        return {MessageBoxResult::yes, MessageBoxResult::no};
    }
    return {};
}

} // namespace

std::string_view style_name(MessageBoxStyle style) {
    switch (style) {
    case MessageBoxStyle::ok:
        return "OK";
    case MessageBoxStyle::ok_cancel:
        return "OKCancel";
    case MessageBoxStyle::yes_no:
        return "YesNo";
    }
    return "?";
}

std::string_view result_name(MessageBoxResult result) {
    switch (result) {
    case MessageBoxResult::ok:
        return "OK";
    case MessageBoxResult::cancel:
        return "Cancel";
    case MessageBoxResult::yes:
        return "Yes";
    case MessageBoxResult::no:
        return "No";
    }
    return "?";
}

namespace {

class TracingView final : public WindowView {
public:
    using Sink = HeadlessBackend::Sink;

    TracingView(const Window& window, const Sink& sink) : name_(window.name()), sink_(sink) {}

    void focus_changed(const Control& control, FocusCause cause) override {
        if (cause == FocusCause::moved) {
            emit("focus " + control_path(control));
        }
    }
    void shown() override { emit("show " + name_); }
    void hidden() override { emit("hide " + name_); }
    void unloaded() override { emit("unload " + name_); }

private:
    void emit(const std::string& line) const {
        if (sink_) {
            sink_(line);
        }
    }

    std::string name_;
    const Sink& sink_;
};

} // namespace

HeadlessBackend::HeadlessBackend(Sink sink) : sink_(std::move(sink)) {}

std::unique_ptr<WindowView> HeadlessBackend::create_view(Window& window) {
    emit("load " + std::string(window.name()));
    return std::make_unique<TracingView>(window, sink_);
}

MessageBoxResult HeadlessBackend::message_box(const MessageBoxRequest& request,
                                              std::string_view /*app_title*/) {
    const std::string box = "msgbox " + std::string(style_name(request.style)) + " " +
                            (request.title ? quoted(*request.title) : "\"(app)\"") + " " +
                            quoted(request.text);
    if (answers_.empty() && request.style != MessageBoxStyle::ok) {
        throw ScriptError("no answer queued for " + box);
    }
    const MessageBoxResult answer = answers_.empty() ? MessageBoxResult::ok : answers_.front();
    const auto buttons = buttons_of(request.style);
    if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) {
        throw ScriptError("answer " + std::string(result_name(answer)) + " does not fit " + box);
    }
    if (!answers_.empty()) {
        answers_.pop_front();
    }
    emit(box + " -> " + std::string(result_name(answer)));
    return answer;
}

std::optional<std::string> HeadlessBackend::save_file(const SaveFileRequest& request) {
    const std::string dialog = "savedialog " + quoted(request.filter) + " " +
                               std::to_string(request.flags) + " " + quoted(request.file_name);
    if (save_files_.empty()) {
        throw ScriptError("no savefile queued for " + dialog);
    }
    std::optional<std::string> chosen = std::move(save_files_.front());
    save_files_.pop_front();
    emit(dialog + " -> " + (chosen ? quoted(*chosen) : std::string("cancel")));
    return chosen;
}

void HeadlessBackend::set_clipboard(std::string_view text) {
    emit("clipboard " + quoted(text));
}

void HeadlessBackend::program_ended() {
    emit("end");
}

void HeadlessBackend::emit(const std::string& line) const {
    if (sink_) {
        sink_(line);
    }
}

void HeadlessBackend::post(std::function<void()> task) {
    {
        const std::lock_guard lock(posted_mutex_);
        posted_.push_back(std::move(task));
    }
    posted_arrived_.notify_all();
}

std::size_t HeadlessBackend::run_posted() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            const std::lock_guard lock(posted_mutex_);
            if (posted_.empty()) {
                return ran;
            }
            task = std::move(posted_.front());
            posted_.pop_front();
        }
        task();
        ++ran;
    }
}

bool HeadlessBackend::wait_for_post(std::chrono::milliseconds timeout) {
    std::unique_lock lock(posted_mutex_);
    return posted_arrived_.wait_for(lock, timeout, [this] { return !posted_.empty(); });
}

} // namespace zelvoro::ui::headless
