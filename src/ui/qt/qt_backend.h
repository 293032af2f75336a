// The desktop backend on Qt 6 Widgets: a FormView per loaded window, modal message boxes,
// the save-file dialog and the clipboard. Message boxes and save-file dialogs can be answered
// ahead, without being shown, so that tests never block on a modal window.
#pragma once

#include "platform/diagnostics.h"
#include "ui/backend.h"
#include "ui/qt/twip_scale.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::ui::qt {

class FormView;

class QtBackend final : public Backend {
public:
    // A box or dialog answered ahead, as it was asked.
    struct AnsweredBox {
        std::string text;
        MessageBoxStyle style;
        std::string title; // as shown: the application's title when the box has none
        MessageBoxResult answer;
    };
    struct AnsweredSaveDialog {
        std::string filter;
        int flags;
        std::string proposed_name;
        std::optional<std::string> chosen;
    };

    // Windows are laid out at their screen's logical DPI ...
    explicit QtBackend(platform::Diagnostics& diagnostics);
    // ... or at a fixed one.
    QtBackend(platform::Diagnostics& diagnostics, const TwipScale& scale);

    std::unique_ptr<WindowView> create_view(Window& window) override;
    MessageBoxResult message_box(const MessageBoxRequest& request,
                                 std::string_view app_title) override;
    std::optional<std::string> save_file(const SaveFileRequest& request) override;
    void set_clipboard(std::string_view text) override;
    void set_busy(bool busy) override;
    // Reports the failure in a box ("本次操作未能完成!", title "错误"), its reason in the
    // diagnostics, and goes on.
    void event_failed(const std::exception& error) override;
    // Hides every window, without any unload handling, and leaves the event loop.
    void program_ended() override;
    // Queued on the event loop; tasks still queued when the backend goes are dropped with it.
    void post(std::function<void()> task) override;

    // The form of a loaded window, or nothing.
    FormView* form(std::string_view window_name) const;

    // Answers for the next boxes, oldest first; they are not shown.
    void queue_answers(const std::vector<MessageBoxResult>& answers);
    // Results for the next save-file dialogs (nothing: cancelled); they are not shown.
    void queue_save_files(const std::vector<std::optional<std::string>>& results);
    // Unattended: a box or dialog with nothing queued is not shown either; a box gets its
    // cancelling answer (OK, Cancel, No), a dialog is cancelled.
    void set_unattended(bool unattended) { unattended_ = unattended; }
    const std::vector<AnsweredBox>& answered_boxes() const { return answered_boxes_; }
    const std::vector<AnsweredSaveDialog>& answered_save_dialogs() const {
        return answered_save_dialogs_;
    }
    std::size_t queued_answers() const { return queued_answers_.size(); }

private:
    TwipScale scale() const;

    platform::Diagnostics& diagnostics_;
    std::optional<TwipScale> fixed_scale_;
    // Posted tasks are queued for this object, and go with it.
    std::unique_ptr<QObject> posted_tasks_ = std::make_unique<QObject>();
    QIcon icon_;
    std::vector<QPointer<FormView>> forms_;
    std::deque<MessageBoxResult> queued_answers_;
    std::deque<std::optional<std::string>> queued_save_files_;
    bool unattended_ = false;
    std::vector<AnsweredBox> answered_boxes_;
    std::vector<AnsweredSaveDialog> answered_save_dialogs_;
};

} // namespace zelvoro::ui::qt
