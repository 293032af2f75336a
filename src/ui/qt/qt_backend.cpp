#include "ui/qt/qt_backend.h"

#include "ui/qt/file_filter.h"
#include "ui/qt/form_view.h"
#include "ui/qt/message_box.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_window_view.h"
#include "ui/qt/window_icon.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <algorithm>

namespace zelvoro::ui::qt {

namespace {

constexpr int ask_before_replacing = 2;

// Boxes and dialogs belong to the window the user is working in.
QWidget* dialog_parent() {
    return QApplication::activeWindow();
}

} // namespace

QtBackend::QtBackend(platform::Diagnostics& diagnostics)
    : diagnostics_(diagnostics), icon_(window_icon()) {}

QtBackend::QtBackend(platform::Diagnostics& diagnostics, const TwipScale& scale)
    : diagnostics_(diagnostics), fixed_scale_(scale), icon_(window_icon()) {}

std::unique_ptr<WindowView> QtBackend::create_view(Window& window) {
    auto* form = new FormView(window, scale(), icon_);
    std::erase_if(forms_, [](const QPointer<FormView>& known) { return known.isNull(); });
    forms_.emplace_back(form);
    return std::make_unique<QtWindowView>(form);
}

TwipScale QtBackend::scale() const {
    return fixed_scale_ ? *fixed_scale_ : TwipScale::of(QGuiApplication::primaryScreen());
}

FormView* QtBackend::form(std::string_view window_name) const {
    const QString name = from_utf8(window_name);
    for (const QPointer<FormView>& form : forms_) {
        if (form && form->attached() && form->objectName() == name) {
            return form;
        }
    }
    return nullptr;
}

MessageBoxResult QtBackend::message_box(const MessageBoxRequest& request,
                                        std::string_view app_title) {
    if (!queued_answers_.empty() || unattended_) {
        MessageBoxResult answer = cancelling_result(request.style);
        if (!queued_answers_.empty()) {
            answer = queued_answers_.front();
            queued_answers_.pop_front();
        }
        answered_boxes_.push_back({std::string(request.text), request.style,
                                   std::string(request.title.value_or(app_title)), answer});
        return answer;
    }
    const auto box = make_message_box(request, app_title, dialog_parent());
    box->exec();
    return message_box_result(request.style, box->standardButton(box->clickedButton()));
}

std::optional<std::string> QtBackend::save_file(const SaveFileRequest& request) {
    if (!queued_save_files_.empty() || unattended_) {
        std::optional<std::string> chosen;
        if (!queued_save_files_.empty()) {
            chosen = queued_save_files_.front();
            queued_save_files_.pop_front();
        }
        answered_save_dialogs_.push_back(
            {std::string(request.filter), request.flags, std::string(request.file_name), chosen});
        return chosen;
    }
    QFileDialog::Options options;
    if ((request.flags & ask_before_replacing) == 0) {
        options |= QFileDialog::DontConfirmOverwrite;
    }
    const QString chosen =
        QFileDialog::getSaveFileName(dialog_parent(), QString(), from_utf8(request.file_name),
                                     name_filters(request.filter), nullptr, options);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.toStdString();
}

void QtBackend::set_clipboard(std::string_view text) {
    QGuiApplication::clipboard()->setText(from_utf8(text));
}

// The wait cursor is shown at once, before the handler blocks the event loop.
void QtBackend::event_failed(const std::exception& error) {
    report_failed_event(diagnostics_, error);
}

void QtBackend::set_busy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtBackend::program_ended() {
    for (const QPointer<FormView>& form : forms_) {
        if (form) {
            form->hide();
        }
    }
    QCoreApplication::exit(0);
}

void QtBackend::post(std::function<void()> task) {
    QMetaObject::invokeMethod(posted_tasks_.get(), std::move(task), Qt::QueuedConnection);
}

void QtBackend::queue_answers(const std::vector<MessageBoxResult>& answers) {
    queued_answers_.insert(queued_answers_.end(), answers.begin(), answers.end());
}

void QtBackend::queue_save_files(const std::vector<std::optional<std::string>>& results) {
    queued_save_files_.insert(queued_save_files_.end(), results.begin(), results.end());
}

} // namespace zelvoro::ui::qt
