// Both windows on the Qt view, driven as a user drives them: keys go to the widget that has
// the focus, clicks go to the real buttons, lists and labels, and the close box is the
// window's own. Boxes are answered through the backend's seam; shell and echo are fakes.
#include "app/application.h"
#include "ipset/frm_ipset_layout.h"
#include "scanner/frm_iptest_layout.h"
#include "support/fake_services.h"
#include "ui/qt/form_view.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/qt_text.h"
#include "ui/toolkit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

namespace zelvoro::ui::qt {
namespace {

// Key tokens besides the characters typed as they are.
constexpr char keypad_point = 'p';
constexpr char enter = 'E';
constexpr char keypad_enter = 'e';

constexpr const char* main_window = "frmIPtest";
constexpr const char* settings_window = "frmIpset";

using enum ControlKind;
constexpr std::array probe_controls{
    ControlLayout{"items", list_box, "", "", 120, 120, 2400, 1200, 0},
    ControlLayout{"note", label, "说明", "", 120, 1440, 2400, 255, 1},
};
constexpr WindowLayout probe_layout{"probe", "探针", 2640, 1800, probe_controls};

const QStringList start_and_end_rows{"txbf1", "txbf2", "txbf3", "txbf4",
                                     "txbe1", "txbe2", "txbe3", "txbe4"};

} // namespace

class QtViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typing_moves_the_focus_data();
    void typing_moves_the_focus();
    void refused_value_shows_one_box_and_empties_the_field_data();
    void refused_value_shows_one_box_and_empties_the_field();
    void program_writes_reach_the_widgets();
    void tab_follows_the_tab_index();
    void enter_presses_the_focused_button();
    void geometry_follows_the_layout();
    void screen_dpi_is_used_by_default();
    void text_styles_data();
    void text_styles();
    void captions_and_shared_icon();
    void label_click_opens_the_home_page_data();
    void label_click_opens_the_home_page();
    void settings_window_round_trip_data();
    void settings_window_round_trip();
    void list_follows_the_model_and_reports_double_clicks_data();
    void list_follows_the_model_and_reports_double_clicks();
    void present_silent_address_is_marked();
    void late_mark_arrives_after_the_lists_were_filled();
    void late_name_joins_the_tooltip();
    void failing_handler_is_reported_and_the_window_goes_on();
    void close_box_answered_no_keeps_the_window();
    void ending_the_program_data();
    void ending_the_program();

private:
    void start(std::optional<TwipScale> scale = TwipScale(96, 96));
    void restart(std::optional<TwipScale> scale);
    void stop();
    FormView* form(const char* window) const { return backend_->form(window); }
    template <typename T> T* widget(const char* window, const QString& name) const;
    const TextBox& model_box(const char* window, const QString& name) const;
    void click_into(const char* window, const QString& field);
    void type(const QString& keys);
    void click(const char* window, const QString& button);
    void sweep_start_row(const QString& keys);
    QString focus_widget_name() const;
    QString model_focus_name() const;
    QStringList box_texts() const;

    std::unique_ptr<fakes::FakeServices> fakes_;
    std::unique_ptr<shared::ProcessState> state_;
    std::unique_ptr<QtBackend> backend_;
    std::unique_ptr<Toolkit> toolkit_;
};

// As in the program: it ends when the window logic says so, not with its last window.
void QtViewTest::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
}

// Every test starts with the main window shown at 96 DPI, with fresh fakes and a fresh state.
void QtViewTest::init() {
    start();
}

void QtViewTest::cleanup() {
    stop();
}

void QtViewTest::stop() {
    toolkit_.reset();
    backend_.reset();
    state_.reset();
    fakes_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtViewTest::restart(std::optional<TwipScale> scale) {
    stop();
    start(scale);
}

void QtViewTest::start(std::optional<TwipScale> scale) {
    fakes_ = std::make_unique<fakes::FakeServices>();
    backend_ = scale ? std::make_unique<QtBackend>(fakes_->diagnostics, *scale)
                     : std::make_unique<QtBackend>(fakes_->diagnostics);
    backend_->set_unattended(true); // an unexpected box must not block the test
    state_ = std::make_unique<shared::ProcessState>();
    toolkit_ = std::make_unique<Toolkit>(*backend_, std::string(app::application_title));
    app::register_windows(*toolkit_, fakes_->services, *state_);
    app::start(*toolkit_);
    QVERIFY(form(main_window) != nullptr);
    QVERIFY(QTest::qWaitForWindowActive(form(main_window)));
}

template <typename T> T* QtViewTest::widget(const char* window, const QString& name) const {
    FormView* shown = form(window);
    return shown == nullptr ? nullptr : shown->findChild<T*>(name);
}

const TextBox& QtViewTest::model_box(const char* window, const QString& name) const {
    return toolkit_->loaded(window)->text_box(name.toStdString());
}

void QtViewTest::click_into(const char* window, const QString& field) {
    auto* edit = widget<QLineEdit>(window, field);
    QVERIFY(edit != nullptr);
    QTest::mouseClick(edit, Qt::LeftButton);
    QCOMPARE(focus_widget_name(), field);
}

// Each key goes to the widget holding the focus when it is pressed, as on a keyboard.
void QtViewTest::type(const QString& keys) {
    for (const QChar token : keys) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY2(target != nullptr, "no widget has the focus");
        if (token == QLatin1Char(keypad_point)) {
            QTest::keyClick(target, Qt::Key_Period, Qt::KeypadModifier);
        } else if (token == QLatin1Char(enter)) {
            QTest::keyClick(target, Qt::Key_Return);
        } else if (token == QLatin1Char(keypad_enter)) {
            QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
        } else {
            QTest::keyClick(target, token.toLatin1());
        }
    }
}

void QtViewTest::click(const char* window, const QString& button) {
    auto* widget_button = widget<QPushButton>(window, button);
    QVERIFY(widget_button != nullptr);
    QTest::mouseClick(widget_button, Qt::LeftButton);
}

// Types a start row (the end row follows it up to .255) and sweeps it with the fake echo,
// which answers the even addresses.
void QtViewTest::sweep_start_row(const QString& keys) {
    fakes_->echo.answers = [](const platform::Ipv4Address& address) {
        return address.octets[3] % 2 == 0;
    };
    click_into(main_window, "txbf1");
    type(keys);
    click(main_window, "btntest");
}

QString QtViewTest::focus_widget_name() const {
    const QWidget* focused = QApplication::focusWidget();
    return focused == nullptr ? QString() : focused->objectName();
}

QString QtViewTest::model_focus_name() const {
    const Control* focused = toolkit_->focus();
    return focused == nullptr ? QString() : from_utf8(focused->name());
}

QStringList QtViewTest::box_texts() const {
    QStringList texts;
    for (const auto& box : backend_->answered_boxes()) {
        texts << from_utf8(box.text);
    }
    return texts;
}

void QtViewTest::typing_moves_the_focus_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("texts"); // "name=text" in the main window, widget and model
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QStringList>("boxes");

    const QString refused = QStringLiteral("请输入正确的IP地址!");
    QTest::newRow("third digit steps on")
        << "txbf1"
        << "192" << QStringList{"txbf1=192", "txbf2="} << "txbf2" << QStringList{};
    QTest::newRow("keypad point steps on, typed nowhere")
        << "txbf1"
        << "19p" << QStringList{"txbf1=19", "txbf2="} << "txbf2" << QStringList{};
    QTest::newRow("keypad point in an empty field steps on, no box")
        << "txbf1"
        << "p" << QStringList{"txbf1=", "txbf2="} << "txbf2" << QStringList{};
    QTest::newRow("keypad point that moves nothing is typed")
        << "txbf4"
        << "p" << QStringList{"txbf4="} << "txbf4" << QStringList{refused};
    QTest::newRow("main point is typed and normalised away")
        << "txbf1"
        << "19." << QStringList{"txbf1=19", "txbf2="} << "txbf1" << QStringList{};
    QTest::newRow("point after the third digit is refused in the next field")
        << "txbf1"
        << "192." << QStringList{"txbf1=192", "txbf2="} << "txbf2" << QStringList{refused};
    QTest::newRow("Enter steps on")
        << "txbf1"
        << "19E" << QStringList{"txbf1=19", "txbf2="} << "txbf2" << QStringList{};
    QTest::newRow("keypad Enter steps on")
        << "txbf1"
        << "7e" << QStringList{"txbf1=7", "txbf2="} << "txbf2" << QStringList{};
    QTest::newRow("digits after a step go to the next field")
        << "txbf1"
        << "19216" << QStringList{"txbf1=192", "txbf2=16"} << "txbf2" << QStringList{};
    QTest::newRow("keypad points step along the row")
        << "txbf1"
        << "10p0p" << QStringList{"txbf1=10", "txbf2=0", "txbf3="} << "txbf3" << QStringList{};
    QTest::newRow("keypad point back from the end row to the start row")
        << "txbe3"
        << "p" << QStringList{"txbe3=", "txbf4="} << "txbf4" << QStringList{};
    QTest::newRow("locked field takes the focus, not the text")
        << "txbe1"
        << "5." << QStringList{"txbe1="} << "txbe1" << QStringList{};
}

void QtViewTest::typing_moves_the_focus() {
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(QStringList, texts);
    QFETCH(QString, focus);
    QFETCH(QStringList, boxes);

    click_into(main_window, field);
    QCOMPARE(model_focus_name(), field);
    type(keys);

    for (const QString& expected : texts) {
        const QString name = expected.section(u'=', 0, 0);
        const QString text = expected.section(u'=', 1);
        QCOMPARE(widget<QLineEdit>(main_window, name)->text(), text);
        QCOMPARE(from_utf8(model_box(main_window, name).text()), text);
    }
    QCOMPARE(focus_widget_name(), focus);
    QCOMPARE(model_focus_name(), focus);
    QCOMPARE(box_texts(), boxes);
}

void QtViewTest::refused_value_shows_one_box_and_empties_the_field_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("box");

    QTest::newRow("start octet above 254")
        << "txbf1"
        << "256" << QStringLiteral("请输入正确的IP地址，并确保在1-254之间!");
    QTest::newRow("last start octet above 255")
        << "txbf4"
        << "256" << QStringLiteral("请输入正确的IP地址，并确保在1-255之间!");
    QTest::newRow("a letter") << "txbf2"
                              << "x" << QStringLiteral("请输入正确的IP地址!");
}

void QtViewTest::refused_value_shows_one_box_and_empties_the_field() {
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(QString, box);

    click_into(main_window, field);
    type(keys);

    QCOMPARE(box_texts(), QStringList{box});
    QCOMPARE(from_utf8(backend_->answered_boxes().front().title), QStringLiteral("注意"));
    QCOMPARE(widget<QLineEdit>(main_window, field)->text(), QString());
    QCOMPARE(from_utf8(model_box(main_window, field).text()), QString());
    QCOMPARE(focus_widget_name(), field);
}

// Handlers' writes into other fields, the locked ones included, show in their widgets.
void QtViewTest::program_writes_reach_the_widgets() {
    click_into(main_window, "txbf1");
    type("10p0p0p1");
    const QStringList filled{"10", "0", "0", "1", "10", "0", "0", "255"};
    for (qsizetype i = 0; i < start_and_end_rows.size(); ++i) {
        QCOMPARE(widget<QLineEdit>(main_window, start_and_end_rows[i])->text(), filled[i]);
    }
    QVERIFY(widget<QLineEdit>(main_window, "txbe1")->isReadOnly());

    click(main_window, "cmdclear");
    for (const QString& field : start_and_end_rows) {
        QCOMPARE(widget<QLineEdit>(main_window, field)->text(), QString());
    }
    QVERIFY(box_texts().isEmpty());
}

void QtViewTest::tab_follows_the_tab_index() {
    QCOMPARE(focus_widget_name(), QStringLiteral("cmdgetnet"));
    QCOMPARE(model_focus_name(), QStringLiteral("cmdgetnet"));

    const QStringList order{"cmdget", "cmdipset", "cmdclear", "Command1", "List2",    "btndaochu",
                            "List1",  "txbe4",    "txbe3",    "txbe2",    "txbe1",    "txbf4",
                            "txbf3",  "txbf2",    "txbf1",    "btntest",  "cmdgetnet"};
    for (const QString& next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focus_widget_name(), next);
        QCOMPARE(model_focus_name(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(model_focus_name(), QStringLiteral("btntest"));
}

void QtViewTest::enter_presses_the_focused_button() {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(model_focus_name(), QStringLiteral("cmdipset"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(form(settings_window) != nullptr);
    QVERIFY(form(settings_window)->isVisible());
    QVERIFY(!form(main_window)->isVisible());
}

// Every control of both layout tables sits where its twips put it at the scale's DPI, inside
// its frame or the window's client area; halves are rounded away from zero.
void QtViewTest::geometry_follows_the_layout() {
    const auto pixels = [](int twips, double dpi) {
        return static_cast<int>(std::lround(twips * dpi / 1440));
    };
    for (const double dpi : {96.0, 144.0}) {
        restart(TwipScale(dpi, dpi));
        QVERIFY(!QTest::currentTestFailed());
        click(main_window, "cmdipset");
        for (const WindowLayout* layout : {&scanner::frm_iptest_layout, &ipset::frm_ipset_layout}) {
            const FormView* shown = backend_->form(layout->name);
            QVERIFY(shown != nullptr);
            QCOMPARE(shown->size(),
                     QSize(pixels(layout->client_width, dpi), pixels(layout->client_height, dpi)));
            for (const ControlLayout& control : layout->controls) {
                if (control.kind == save_dialog) {
                    continue; // no widget: it exists only while it is shown
                }
                const auto* placed = shown->findChild<QWidget*>(from_utf8(control.name));
                QVERIFY2(placed != nullptr, control.name.data());
                const QRect expected(pixels(control.left, dpi), pixels(control.top, dpi),
                                     pixels(control.width, dpi), pixels(control.height, dpi));
                if (control.style == TextStyle::link) {
                    // Grown from its place until its caption fits, and still in the window.
                    const auto* link = qobject_cast<const QLabel*>(placed);
                    QVERIFY(link != nullptr);
                    QCOMPARE(link->pos(), expected.topLeft());
                    QVERIFY(link->size() == link->size().expandedTo(expected.size()));
                    QVERIFY(link->width() >= link->minimumSizeHint().width());
                    QVERIFY(link->height() >= link->heightForWidth(link->width()));
                    QVERIFY(shown->rect().contains(link->geometry()));
                } else {
                    QCOMPARE(placed->geometry(), expected);
                }
                const std::string_view container =
                    control.container.empty() ? layout->name : control.container;
                QCOMPARE(placed->parentWidget()->objectName(), from_utf8(container));
            }
        }
    }
    // Two results worked out by hand, at 144 DPI: 885 twips are 88.5 pixels, shown as 89.
    QCOMPARE(widget<QWidget>(settings_window, "cmdok")->geometry(), QRect(24, 252, 89, 38));
    QCOMPARE(widget<QWidget>(main_window, "txbf1")->geometry(), QRect(72, 36, 50, 38));
}

void QtViewTest::screen_dpi_is_used_by_default() {
    restart(std::nullopt);
    if (QTest::currentTestFailed()) {
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const TwipScale& used = form(main_window)->scale();
    QCOMPARE(used.dpi_x(), screen->logicalDotsPerInchX());
    QCOMPARE(used.dpi_y(), screen->logicalDotsPerInchY());
    const int expected_height = static_cast<int>(std::lround(9000 * used.dpi_y() / 1440));
    QCOMPARE(form(main_window)->height(), expected_height);
}

void QtViewTest::text_styles_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QColor>("colour");  // invalid: the application's default text colour
    QTest::addColumn<QString>("family"); // empty: the window's font

    const QColor purple(128, 0, 128);
    QTest::newRow("settings frame") << settings_window << "Frame1" << purple << "";
    QTest::newRow("settings DNS frame") << settings_window << "Frame2" << purple << "";
    QTest::newRow("settings label") << settings_window << "lbldns2" << purple << "";
    QTest::newRow("main frame") << main_window << "Frame3" << QColor() << "";
    QTest::newRow("main credit line") << main_window << "Label1" << QColor() << "";
    QTest::newRow("main home page") << main_window << "Label2" << QColor(0, 0, 255) << "Arial";
}

void QtViewTest::text_styles() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QColor, colour);
    QFETCH(QString, family);

    if (window == settings_window) {
        click(main_window, "cmdipset");
    }
    const auto* styled = widget<QWidget>(window.toLatin1().constData(), control);
    QVERIFY(styled != nullptr);
    const QColor expected =
        colour.isValid() ? colour : QApplication::palette().color(QPalette::WindowText);
    QCOMPARE(styled->palette().color(QPalette::WindowText), expected);
    if (family.isEmpty()) {
        QCOMPARE(styled->font(), styled->window()->font());
    } else {
        QCOMPARE(styled->font().family(), family);
        QCOMPARE(styled->font().pointSize(), 12);
    }
}

void QtViewTest::captions_and_shared_icon() {
    click(main_window, "cmdipset");
    const FormView* main_form = form(main_window);
    const FormView* settings_form = form(settings_window);
    QVERIFY(settings_form != nullptr);
    QCOMPARE(main_form->windowTitle(), QStringLiteral("Zelvoro网段检测工具"));
    QCOMPARE(settings_form->windowTitle(), QStringLiteral("Zelvoro->IP地址设置"));
    QCOMPARE(main_form->windowIcon().cacheKey(), settings_form->windowIcon().cacheKey());
    QVERIFY(main_form->windowIcon().availableSizes().contains(QSize(48, 48)));
}

void QtViewTest::label_click_opens_the_home_page_data() {
    QTest::addColumn<QString>("label");
    QTest::newRow("credit line") << "Label1";
    QTest::newRow("home page") << "Label2";
}

void QtViewTest::label_click_opens_the_home_page() {
    QFETCH(QString, label);
    auto* clicked = widget<QLabel>(main_window, label);
    QVERIFY(clicked != nullptr);
    QTest::mouseClick(clicked, Qt::LeftButton);
    QCOMPARE(fakes_->shell.opened, std::vector<std::string>{"http://zelvoro.example/"});
    QCOMPARE(focus_widget_name(), QStringLiteral("cmdgetnet")); // labels take no focus
}

void QtViewTest::settings_window_round_trip_data() {
    QTest::addColumn<bool>("close_box"); // else the window's own back button
    QTest::newRow("close box") << true;
    QTest::newRow("back button, unloading from its own handler") << false;
}

void QtViewTest::settings_window_round_trip() {
    QFETCH(bool, close_box);
    sweep_start_row("1920p2p1"); // 192, then 0 . 2 . 1 with the keypad point
    QCOMPARE(widget<QListWidget>(main_window, "List1")->count(), 127);
    QCOMPARE(widget<QListWidget>(main_window, "List2")->count(), 128);
    QCOMPARE(widget<QListWidget>(main_window, "List2")->item(127)->text(),
             QStringLiteral("192.0.2.255"));
    QVERIFY(widget<QLabel>(main_window, "lblmes2")->isVisibleTo(form(main_window)));

    click(main_window, "cmdipset");
    QPointer<FormView> settings = form(settings_window);
    QVERIFY(settings != nullptr);
    QVERIFY(settings->isVisible());
    QVERIFY(!form(main_window)->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(settings));
    QCOMPARE(widget<QLineEdit>(settings_window, "txbf4")->text(), QString());

    if (close_box) {
        settings->close();
    } else {
        click(settings_window, "cmdback");
    }
    QVERIFY(toolkit_->loaded(settings_window) == nullptr);
    QVERIFY(!settings->isVisible());
    QTRY_VERIFY(settings.isNull()); // deleted once back in the event loop
    QVERIFY(form(main_window)->isVisible());
    const QStringList kept{"192", "0", "2", "1", "192", "0", "2", "255"};
    for (qsizetype i = 0; i < start_and_end_rows.size(); ++i) {
        QCOMPARE(widget<QLineEdit>(main_window, start_and_end_rows[i])->text(), kept[i]);
    }
    QCOMPARE(widget<QListWidget>(main_window, "List1")->count(), 127);
    QCOMPARE(widget<QListWidget>(main_window, "List2")->count(), 128);
    QVERIFY(box_texts().isEmpty());
}

void QtViewTest::list_follows_the_model_and_reports_double_clicks_data() {
    QTest::addColumn<int>("row"); // -1: below the last item
    QTest::addColumn<int>("selected");
    QTest::newRow("first item") << 0 << 0;
    QTest::newRow("last item") << 2 << 2;
    QTest::newRow("below the items, nothing selected") << -1 << -1;
}

// A probe window of its own: the list box's handlers record what they see.
void QtViewTest::list_follows_the_model_and_reports_double_clicks() {
    QFETCH(int, row);
    QFETCH(int, selected);
    std::vector<int> double_clicks;
    toolkit_->register_window(probe_layout.name, [&double_clicks](Toolkit& owner) {
        auto probe = std::make_unique<Window>(owner, probe_layout);
        ListBox& items = probe->list_box("items");
        items.on_dbl_click = [&double_clicks, &items] {
            double_clicks.push_back(items.selected_index());
        };
        return probe;
    });
    toolkit_->deliver([&] {
        ListBox& items = toolkit_->show(probe_layout.name).list_box("items");
        for (const char* item : {"192.0.2.1", "192.0.2.2", "192.0.2.3"}) {
            items.add_item(item);
        }
        items.set_selected_index(1);
    });
    auto* list = widget<QListWidget>("probe", "items");
    QVERIFY(list != nullptr);
    QVERIFY(QTest::qWaitForWindowActive(form("probe")));
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(2)->text(), QStringLiteral("192.0.2.3"));
    QCOMPARE(list->currentRow(), 1);

    const ListBox& model = toolkit_->loaded("probe")->list_box("items");
    QPoint where(list->viewport()->width() / 2, list->viewport()->height() - 4);
    if (row >= 0) {
        where = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
        QCOMPARE(model.selected_index(), row);
    } else {
        toolkit_->deliver(
            [&] { toolkit_->loaded("probe")->list_box("items").set_selected_index(-1); });
        QVERIFY(list->selectedItems().isEmpty());
    }
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, where);
    QCOMPARE(double_clicks, std::vector<int>{selected});
    QCOMPARE(model.selected_index(), selected);
    QCOMPARE(focus_widget_name(), QStringLiteral("items"));
    QCOMPARE(model_focus_name(), QStringLiteral("items"));

    toolkit_->deliver([&] { toolkit_->loaded("probe")->list_box("items").clear(); });
    QCOMPARE(list->count(), 0);
}

// A silent address whose device answered ARP shows in the warning colour with the warning as
// its tooltip; an answering one keeps the usual colour and has its MAC as the tooltip.
void QtViewTest::present_silent_address_is_marked() {
    fakes_->neighbours.present = {{{{192, 0, 2, 5}}, {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
                                  {{{192, 0, 2, 6}}, {0x02, 0x00, 0x5e, 0x00, 0x00, 0x06}}};
    sweep_start_row("1920p2p4");
    auto* silent = widget<QListWidget>(main_window, "List2");
    auto* answering = widget<QListWidget>(main_window, "List1");
    QCOMPARE(silent->item(0)->text(), QStringLiteral("192.0.2.5"));
    QCOMPARE(silent->item(0)->foreground().color(), QColor(192, 64, 0));
    QCOMPARE(
        silent->item(0)->toolTip(),
        QStringLiteral("该地址不回应PING,但有设备应答ARP(MAC 0a:1b:2c:3d:4e:5f),可能已被占用"));
    QCOMPARE(silent->item(1)->toolTip(), QString());
    QCOMPARE(silent->item(1)->data(Qt::ForegroundRole), QVariant());
    QCOMPARE(answering->item(1)->text(), QStringLiteral("192.0.2.6"));
    QCOMPARE(answering->item(1)->toolTip(), QStringLiteral("MAC 02:00:5e:00:00:06"));
    QCOMPARE(answering->item(1)->data(Qt::ForegroundRole), QVariant());
}

// A device proven after the sweep: the lists are there already, the mark comes from another
// thread through the event loop, and the clear button ends the stage.
void QtViewTest::late_mark_arrives_after_the_lists_were_filled() {
    sweep_start_row("1920p2p4");
    auto* silent = widget<QListWidget>(main_window, "List2");
    QCOMPARE(silent->item(1)->text(), QStringLiteral("192.0.2.7"));
    QCOMPARE(silent->item(1)->toolTip(), QString());
    bool handed_over = false;
    std::thread system([&] {
        handed_over =
            fakes_->neighbours.prove_late({{{192, 0, 2, 7}}, {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x07}});
    });
    system.join();
    QVERIFY(handed_over);
    QCOMPARE(silent->item(1)->toolTip(), QString()); // the event loop has not run yet
    QTRY_COMPARE(
        silent->item(1)->toolTip(),
        QStringLiteral("该地址不回应PING,但有设备应答ARP(MAC 0a:1b:2c:3d:4e:07),可能已被占用"));
    QCOMPARE(silent->item(1)->foreground().color(), QColor(192, 64, 0));
    click(main_window, "cmdclear");
    QVERIFY(!fakes_->neighbours.prove_late({{{192, 0, 2, 9}}, {0x02, 0, 0, 0, 0, 0x09}}));
}

// A host name found after the lists were filled comes through the event loop and joins the
// item's tooltip under its MAC. Answering items and marked silent ones are asked about; the
// clear button ends the stage.
void QtViewTest::late_name_joins_the_tooltip() {
    fakes_->neighbours.present = {{{{192, 0, 2, 5}}, {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
                                  {{{192, 0, 2, 6}}, {0x02, 0x00, 0x5e, 0x00, 0x00, 0x06}}};
    sweep_start_row("1920p2p4");
    const auto asked = fakes_->names.asked();
    const auto was_asked = [&](std::uint8_t octet) {
        return std::find(asked.begin(), asked.end(), platform::Ipv4Address{{192, 0, 2, octet}}) !=
               asked.end();
    };
    QVERIFY(was_asked(5) && was_asked(6) && was_asked(8) && !was_asked(7));
    auto* answering = widget<QListWidget>(main_window, "List1");
    QCOMPARE(answering->item(1)->toolTip(), QStringLiteral("MAC 02:00:5e:00:00:06"));
    bool handed_over = false;
    std::thread system([&] {
        handed_over =
            fakes_->names.name_late({{{192, 0, 2, 6}}, "nas.example", platform::NameSource::dns});
    });
    system.join();
    QVERIFY(handed_over);
    QCOMPARE(answering->item(1)->toolTip(), QStringLiteral("MAC 02:00:5e:00:00:06"));
    QTRY_COMPARE(answering->item(1)->toolTip(),
                 QStringLiteral("MAC 02:00:5e:00:00:06\n主机名: nas.example (DNS)"));
    QCOMPARE(answering->item(1)->text(), QStringLiteral("192.0.2.6"));
    click(main_window, "cmdclear");
    QVERIFY(!fakes_->names.name_late({{{192, 0, 2, 8}}, "late", platform::NameSource::dns}));
}

// A failure nothing caught ends the handler, not the program: the user is told, and the next
// action works.
void QtViewTest::failing_handler_is_reported_and_the_window_goes_on() {
    fakes_->echo.answers = [](const platform::Ipv4Address&) -> bool {
        throw std::runtime_error("the echo service broke");
    };
    click_into(main_window, "txbf1");
    type("1920p2p1");
    click(main_window, "btntest");
    QCOMPARE(box_texts(), QStringList{QStringLiteral("本次操作未能完成!")});
    QCOMPARE(from_utf8(backend_->answered_boxes().front().title), QStringLiteral("错误"));
    const auto logged = fakes_->diagnostics.take();
    QCOMPARE(logged.size(), std::size_t{1});
    QVERIFY(logged.front().ends_with(": the echo service broke"));
    click(main_window, "cmdclear");
    QCOMPARE(widget<QLineEdit>(main_window, "txbf1")->text(), QString());
    QVERIFY(form(main_window)->isVisible());
}

void QtViewTest::close_box_answered_no_keeps_the_window() {
    click_into(main_window, "txbf1");
    type("12");
    backend_->queue_answers({MessageBoxResult::no});
    QVERIFY(!form(main_window)->close());

    QCOMPARE(box_texts(), QStringList{QStringLiteral("本次操作将关闭程序，确定？")});
    QCOMPARE(from_utf8(backend_->answered_boxes().front().title), QStringLiteral("退出"));
    QCOMPARE(backend_->answered_boxes().front().style, MessageBoxStyle::yes_no);
    QVERIFY(form(main_window)->isVisible());
    QVERIFY(!toolkit_->ended());
    QCOMPARE(widget<QLineEdit>(main_window, "txbf1")->text(), QStringLiteral("12"));
    QCOMPARE(from_utf8(model_box(main_window, "txbf1").text()), QStringLiteral("12"));
}

void QtViewTest::ending_the_program_data() {
    QTest::addColumn<bool>("from_settings"); // else the main window's close box
    QTest::newRow("main window's close box answered Yes") << false;
    QTest::newRow("settings window's quit button answered Yes") << true;
}

// The program ends inside the application's event loop, which it leaves; every window is
// hidden, and no unload handling runs (it would ask the quit question once more).
void QtViewTest::ending_the_program() {
    QFETCH(bool, from_settings);
    if (from_settings) {
        click(main_window, "cmdipset");
    }
    QPointer<FormView> main_form = form(main_window);
    QPointer<FormView> settings_form = form(settings_window);
    backend_->queue_answers({MessageBoxResult::yes});
    QTimer::singleShot(0, this, [&] {
        if (from_settings) {
            click(settings_window, "cmdcancle");
        } else {
            main_form->close();
        }
    });
    QTimer guard; // the loop was never left
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);

    QVERIFY(toolkit_->ended());
    QCOMPARE(box_texts(), QStringList{QStringLiteral("本次操作将关闭程序，确定？")});
    for (const QPointer<FormView>& shown : {main_form, settings_form}) {
        QVERIFY(shown.isNull() || !shown->isVisible());
    }
    QCOMPARE(toolkit_->loaded(settings_window) != nullptr, from_settings);
}

} // namespace zelvoro::ui::qt

QTEST_MAIN(zelvoro::ui::qt::QtViewTest)
#include "qt_view_test.moc"
