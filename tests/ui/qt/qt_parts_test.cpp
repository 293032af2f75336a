// The pieces of the Qt view that stand on their own: keys as virtual-key codes, the save-file
// dialog's filter, and the real modal message box with its answers.
#include "ui/qt/file_filter.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/virtual_keys.h"
#include "ui/qt/window_icon.h"
#include "ui/toolkit.h"
#include "ui/window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <array>
#include <optional>

namespace zelvoro::ui::qt {

namespace {
constexpr std::array dialog_probe_controls{
    ControlLayout{"cdlview", ControlKind::save_dialog, "", ""}};
constexpr WindowLayout dialog_probe_layout{"probe", "探针", 1200, 1200, dialog_probe_controls};
} // namespace

class QtPartsTest : public QObject {
    Q_OBJECT

private slots:
    void virtual_key_codes_data();
    void virtual_key_codes();
    void shift_state_mask_data();
    void shift_state_mask();
    void name_filters_from_pairs_data();
    void name_filters_from_pairs();
    void modal_message_box_data();
    void modal_message_box();
    void save_file_dialog_data();
    void save_file_dialog();
    void queued_answers_are_not_shown();
    void clipboard_takes_the_text();
    void icon_is_drawn_at_48_pixels();
};

void QtPartsTest::virtual_key_codes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<int>("code");

    QTest::newRow("Enter") << int(Qt::Key_Return) << false << 13;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true << 13;
    QTest::newRow("keypad decimal point") << int(Qt::Key_Period) << true << 110;
    QTest::newRow("keypad decimal comma (other layouts)") << int(Qt::Key_Comma) << true << 110;
    QTest::newRow("main point") << int(Qt::Key_Period) << false << 190;
    QTest::newRow("shifted main point") << int(Qt::Key_Greater) << false << 190;
    QTest::newRow("digit 0") << int(Qt::Key_0) << false << 0x30;
    QTest::newRow("digit 9") << int(Qt::Key_9) << false << 0x39;
    QTest::newRow("keypad 0") << int(Qt::Key_0) << true << 0x60;
    QTest::newRow("keypad 9") << int(Qt::Key_9) << true << 0x69;
    QTest::newRow("letter A") << int(Qt::Key_A) << false << 0x41;
    QTest::newRow("letter Z") << int(Qt::Key_Z) << false << 0x5A;
    QTest::newRow("shifted 1") << int(Qt::Key_Exclam) << false << 0x31;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << false << 9;
    QTest::newRow("Backtab") << int(Qt::Key_Backtab) << false << 9;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << false << 8;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false << 27;
    QTest::newRow("Left") << int(Qt::Key_Left) << false << 37;
    QTest::newRow("Down") << int(Qt::Key_Down) << false << 40;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << false << 46;
    QTest::newRow("keypad Delete (Num Lock off)") << int(Qt::Key_Delete) << true << 46;
    QTest::newRow("main minus") << int(Qt::Key_Minus) << false << 189;
    QTest::newRow("keypad minus") << int(Qt::Key_Minus) << true << 109;
    QTest::newRow("keypad plus") << int(Qt::Key_Plus) << true << 107;
    QTest::newRow("F1") << int(Qt::Key_F1) << false << 112;
    QTest::newRow("F12") << int(Qt::Key_F12) << false << 123;
    QTest::newRow("unknown key") << int(Qt::Key_unknown) << false << 0;
    QTest::newRow("no Windows key: dead key") << int(Qt::Key_Dead_Grave) << false << 0;
}

void QtPartsTest::virtual_key_codes() {
    QFETCH(int, key);
    QFETCH(bool, keypad);
    QFETCH(int, code);
    QCOMPARE(virtual_key(key, keypad ? Qt::KeypadModifier : Qt::NoModifier), code);
    // Shift and Ctrl never change the key's code.
    const Qt::KeyboardModifiers held = Qt::ShiftModifier | Qt::ControlModifier;
    QCOMPARE(virtual_key(key, held | (keypad ? Qt::KeypadModifier : Qt::NoModifier)), code);
}

void QtPartsTest::shift_state_mask_data() {
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("mask");
    QTest::newRow("none") << int(Qt::NoModifier) << 0;
    QTest::newRow("keypad alone") << int(Qt::KeypadModifier) << 0;
    QTest::newRow("Shift") << int(Qt::ShiftModifier) << 1;
    QTest::newRow("Ctrl") << int(Qt::ControlModifier) << 2;
    QTest::newRow("Alt") << int(Qt::AltModifier) << 4;
    QTest::newRow("all three") << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)
                               << 7;
}

void QtPartsTest::shift_state_mask() {
    QFETCH(int, modifiers);
    QFETCH(int, mask);
    QCOMPARE(shift_state(Qt::KeyboardModifiers(modifiers)), mask);
}

void QtPartsTest::name_filters_from_pairs_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("export filter, pattern already shown")
        << QStringLiteral("txt文件 (*.txt)|*.txt|") << QStringLiteral("txt文件 (*.txt)");
    QTest::newRow("pattern added")
        << QStringLiteral("文本|*.txt|") << QStringLiteral("文本 (*.txt)");
    QTest::newRow("two pairs") << QStringLiteral("文本|*.txt|全部|*.*|")
                               << QStringLiteral("文本 (*.txt);;全部 (*.*)");
    QTest::newRow("several patterns")
        << QStringLiteral("日志|*.txt;*.log|") << QStringLiteral("日志 (*.txt *.log)");
    QTest::newRow("no closing bar")
        << QStringLiteral("文本|*.txt") << QStringLiteral("文本 (*.txt)");
    QTest::newRow("description without pattern dropped")
        << QStringLiteral("文本|*.txt|孤立|") << QStringLiteral("文本 (*.txt)");
    QTest::newRow("empty description") << QStringLiteral("|*.txt|") << QStringLiteral("(*.txt)");
    QTest::newRow("empty") << QString() << QString();
}

void QtPartsTest::name_filters_from_pairs() {
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(name_filters(filter.toStdString()), expected);
}

void QtPartsTest::modal_message_box_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title"); // empty: the box has no title of its own
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("press"); // the button pressed, or NoButton for Escape
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("shown_title");

    const auto ok = int(MessageBoxStyle::ok);
    const auto ok_cancel = int(MessageBoxStyle::ok_cancel);
    const auto yes_no = int(MessageBoxStyle::yes_no);
    const QStringList ok_buttons{"确定"};
    const QStringList ok_cancel_buttons{"确定", "取消"};
    const QStringList yes_no_buttons{"是(&Y)", "否(&N)"};
    QTest::newRow("OK, own title") << ok << "成功" << ok_buttons << int(QMessageBox::Ok)
                                   << int(MessageBoxResult::ok) << "成功";
    QTest::newRow("OK, application's title")
        << ok << "" << ok_buttons << int(QMessageBox::Ok) << int(MessageBoxResult::ok) << "Zelvoro";
    QTest::newRow("OK, Escape") << ok << "注意" << ok_buttons << int(QMessageBox::NoButton)
                                << int(MessageBoxResult::ok) << "注意";
    QTest::newRow("OK/Cancel, OK") << ok_cancel << "确定" << ok_cancel_buttons
                                   << int(QMessageBox::Ok) << int(MessageBoxResult::ok) << "确定";
    QTest::newRow("OK/Cancel, Cancel")
        << ok_cancel << "确定" << ok_cancel_buttons << int(QMessageBox::Cancel)
        << int(MessageBoxResult::cancel) << "确定";
    QTest::newRow("OK/Cancel, Escape")
        << ok_cancel << "确定" << ok_cancel_buttons << int(QMessageBox::NoButton)
        << int(MessageBoxResult::cancel) << "确定";
    QTest::newRow("Yes/No, Yes") << yes_no << "退出" << yes_no_buttons << int(QMessageBox::Yes)
                                 << int(MessageBoxResult::yes) << "退出";
    QTest::newRow("Yes/No, No") << yes_no << "退出" << yes_no_buttons << int(QMessageBox::No)
                                << int(MessageBoxResult::no) << "退出";
    QTest::newRow("Yes/No, Escape")
        << yes_no << "退出" << yes_no_buttons << int(QMessageBox::NoButton)
        << int(MessageBoxResult::no) << "退出";
}

// The real box is shown modally; a queued call answers it from inside its own event loop.
void QtPartsTest::modal_message_box() {
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    QFETCH(int, press);
    QFETCH(int, result);
    QFETCH(QString, shown_title);

    platform::RecordedDiagnostics diagnostics;
    QtBackend backend(diagnostics);
    QStringList seen_buttons;
    QString seen_title;
    QString seen_text;
    QMessageBox::Icon seen_icon = QMessageBox::Information;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        seen_title = box->windowTitle();
        seen_text = box->text();
        seen_icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            seen_buttons << button->text();
        }
        if (press == QMessageBox::NoButton) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            box->button(QMessageBox::StandardButton(press))->click();
        }
    });
    const std::string title_text = title.toStdString();
    const MessageBoxRequest request{
        .text = "请输入正确的IP地址!",
        .style = MessageBoxStyle(style),
        .title = title.isEmpty() ? std::nullopt : std::optional<std::string_view>(title_text)};
    QCOMPARE(int(backend.message_box(request, "Zelvoro")), result);
    QCOMPARE(seen_title, shown_title);
    QCOMPARE(seen_text, QStringLiteral("请输入正确的IP地址!"));
    QCOMPARE(seen_icon, QMessageBox::NoIcon);
    seen_buttons.sort();
    buttons.sort();
    QCOMPARE(seen_buttons, buttons);
}

void QtPartsTest::save_file_dialog_data() {
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("asks_before_replacing");
    QTest::addColumn<bool>("accept");
    QTest::newRow("flag 2, saved") << 2 << true << true;
    QTest::newRow("flag 2 among others, cancelled") << 2 + 4 << true << false;
    QTest::newRow("no flags, saved") << 0 << false << true;
}

// The real dialog, shown modally through a window's dialog component and answered from inside
// its own event loop: the second opening proposes the name chosen in the first, and a
// cancelled dialog keeps it.
void QtPartsTest::save_file_dialog() {
    QFETCH(int, flags);
    QFETCH(bool, asks_before_replacing);
    QFETCH(bool, accept);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString first = folder.filePath(QStringLiteral("上次.txt"));
    const QString second = folder.filePath(QStringLiteral("结果.txt"));
    platform::RecordedDiagnostics diagnostics;
    QtBackend backend(diagnostics);
    Toolkit toolkit(backend, "Zelvoro");
    Window window(toolkit, dialog_probe_layout);
    SaveFileDialog& dialog_component = window.save_dialog("cdlview");
    dialog_component.filter = "txt文件 (*.txt)|*.txt|";
    dialog_component.flags = flags;

    QStringList seen_filters;
    QStringList seen_files;
    bool seen_confirm = !asks_before_replacing;
    const auto answer = [&](const QString& chosen, bool accepting) {
        QTimer::singleShot(0, this, [&seen_filters, &seen_files, &seen_confirm, chosen, accepting] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            seen_filters = dialog->nameFilters();
            seen_files = dialog->selectedFiles();
            seen_confirm = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            if (accepting) {
                dialog->selectFile(chosen);
                QMetaObject::invokeMethod(dialog, "accept");
            } else {
                dialog->reject();
            }
        });
    };
    answer(first, true);
    QCOMPARE(dialog_component.show_save(), std::optional<std::string>(first.toStdString()));
    QCOMPARE(dialog_component.file_name(), first.toStdString());

    answer(second, accept);
    const auto result = dialog_component.show_save();
    QCOMPARE(seen_filters, QStringList{QStringLiteral("txt文件 (*.txt)")});
    QCOMPARE(seen_files, QStringList{first});
    QCOMPARE(seen_confirm, asks_before_replacing);
    const QString remembered = accept ? second : first;
    QCOMPARE(result, accept ? std::optional<std::string>(second.toStdString()) : std::nullopt);
    QCOMPARE(dialog_component.file_name(), remembered.toStdString());
}

void QtPartsTest::queued_answers_are_not_shown() {
    platform::RecordedDiagnostics diagnostics;
    QtBackend backend(diagnostics);
    backend.queue_answers({MessageBoxResult::cancel, MessageBoxResult::yes});
    const MessageBoxRequest confirm{
        .text = "确定?", .style = MessageBoxStyle::ok_cancel, .title = std::nullopt};
    const MessageBoxRequest quit{
        .text = "退出?", .style = MessageBoxStyle::yes_no, .title = "退出"};
    QCOMPARE(backend.message_box(confirm, "Zelvoro"), MessageBoxResult::cancel);
    QCOMPARE(backend.message_box(quit, "Zelvoro"), MessageBoxResult::yes);
    QCOMPARE(backend.queued_answers(), std::size_t{0});
    QCOMPARE(backend.answered_boxes().size(), std::size_t{2});
    QCOMPARE(backend.answered_boxes()[0].title, std::string("Zelvoro"));
    QCOMPARE(backend.answered_boxes()[1].title, std::string("退出"));

    backend.queue_save_files({std::string("/tmp/a.txt"), std::nullopt});
    const SaveFileRequest request{.filter = "txt文件 (*.txt)|*.txt|", .flags = 2, .file_name = ""};
    QCOMPARE(backend.save_file(request), std::optional<std::string>("/tmp/a.txt"));
    QCOMPARE(backend.save_file(request), std::optional<std::string>());
    QCOMPARE(backend.answered_save_dialogs().size(), std::size_t{2});
}

void QtPartsTest::clipboard_takes_the_text() {
    platform::RecordedDiagnostics diagnostics;
    QtBackend backend(diagnostics);
    backend.set_clipboard("203.0.113.7 北京市 电信");
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("203.0.113.7 北京市 电信"));
}

void QtPartsTest::icon_is_drawn_at_48_pixels() {
    const QImage icon = draw_window_icon().toImage();
    QCOMPARE(icon.size(), QSize(48, 48));
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);            // rounded corner left clear
    QCOMPARE(qAlpha(icon.pixel(24, 24)), 255);        // the probe in the middle
    QVERIFY(icon.pixel(24, 24) != icon.pixel(24, 4)); // drawn, not one flat colour
}

} // namespace zelvoro::ui::qt

QTEST_MAIN(zelvoro::ui::qt::QtPartsTest)
#include "qt_parts_test.moc"
