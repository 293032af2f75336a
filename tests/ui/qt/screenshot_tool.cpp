// zelvoro-screenshot DIR: opens both windows through the real Qt view, fills them as a user
// would (keys into the fields, a sweep against a fake echo service, the settings button) and
// writes DIR/main.png and DIR/settings.png. scripts/screenshot.sh runs it.
#include "app/application.h"
#include "support/fake_services.h"
#include "ui/qt/form_view.h"
#include "ui/qt/qt_backend.h"
#include "ui/toolkit.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <set>

namespace {

using zelvoro::ui::qt::FormView;

constexpr char keypad_point = 'p';

void type_into(FormView& form, const char* field, const QString& keys) {
    auto* edit = form.findChild<QLineEdit*>(field);
    QTest::mouseClick(edit, Qt::LeftButton);
    for (const QChar key : keys) {
        QWidget* target = QApplication::focusWidget();
        if (key == QLatin1Char(keypad_point)) {
            QTest::keyClick(target, Qt::Key_Period, Qt::KeypadModifier);
        } else {
            QTest::keyClick(target, key.toLatin1());
        }
    }
}

// Keys go to the focused widget: the window must be active first.
bool activated(FormView& form) {
    if (!QTest::qWaitForWindowActive(&form)) {
        std::fprintf(stderr, "zelvoro-screenshot: %s did not become active\n",
                     qPrintable(form.objectName()));
        return false;
    }
    return true;
}

bool save(FormView& form, const QString& path) {
    if (!QTest::qWaitForWindowExposed(&form) || !form.grab().save(path)) {
        std::fprintf(stderr, "zelvoro-screenshot: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool take_screenshots(zelvoro::ui::qt::QtBackend& backend, const QDir& folder) {
    FormView& main_form = *backend.form("frmIPtest");
    if (!activated(main_form)) {
        return false;
    }
    type_into(main_form, "txbf1", QStringLiteral("1921681p1"));
    auto* end_octet = main_form.findChild<QLineEdit*>("txbe4");
    QTest::mouseClick(end_octet, Qt::LeftButton);
    end_octet->selectAll();
    QTest::keyClicks(end_octet, QStringLiteral("40"));
    QTest::mouseClick(main_form.findChild<QPushButton*>("btntest"), Qt::LeftButton);
    if (!save(main_form, folder.filePath(QStringLiteral("main.png")))) {
        return false;
    }

    QTest::mouseClick(main_form.findChild<QPushButton*>("cmdipset"), Qt::LeftButton);
    FormView* settings = backend.form("frmIpset");
    if (settings == nullptr) {
        std::fprintf(stderr, "zelvoro-screenshot: the settings window did not open\n");
        return false;
    }
    if (!activated(*settings)) {
        return false;
    }
    type_into(*settings, "txbf1", QStringLiteral("1921681p23"));
    type_into(*settings, "txbdnsf1", QStringLiteral("1921681p1"));
    return save(*settings, folder.filePath(QStringLiteral("settings.png")));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "zelvoro-screenshot: cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }

    zelvoro::fakes::FakeServices fakes;
    zelvoro::fakes::FakeEcho& echo = fakes.echo;
    const std::set<int> answering{1, 2, 3, 8, 13, 21, 34};
    echo.answers = [&answering](const zelvoro::platform::Ipv4Address& address) {
        return answering.contains(address.octets[3]);
    };
    // One answering host with its MAC, and one silent address a device answered ARP for.
    fakes.neighbours.present = {{{{192, 168, 1, 1}}, {0x02, 0x00, 0x5e, 0x00, 0x00, 0x01}},
                                {{{192, 168, 1, 5}}, {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}}};
    zelvoro::platform::Services& services = fakes.services;
    zelvoro::shared::ProcessState state;
    zelvoro::ui::qt::QtBackend backend(fakes.diagnostics);
    backend.set_unattended(true);
    bool written = false;
    {
        zelvoro::ui::Toolkit toolkit(backend, std::string(zelvoro::app::application_title));
        zelvoro::app::register_windows(toolkit, services, state);
        zelvoro::app::start(toolkit);
        written = take_screenshots(backend, folder);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return written ? 0 : 1;
}
