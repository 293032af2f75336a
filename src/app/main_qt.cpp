// The desktop program: both windows on Qt 6 Widgets, with the operating system's services.
#include "app/application.h"
#include "app/system_services.h"
#include "ui/qt/qt_backend.h"
#include "ui/toolkit.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <string>

namespace {

// The toolkit's own dialogs (the save-file dialog) in Chinese, where Qt's translations are
// installed.
void install_qt_translations(QApplication& app, QTranslator& translator) {
    if (translator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&translator);
    }
}

int run(QApplication& app) {
    zelvoro::app::SystemServices system;
    zelvoro::shared::ProcessState state = zelvoro::app::initial_state();
    zelvoro::ui::qt::QtBackend backend(system.diagnostics());
    zelvoro::ui::Toolkit toolkit(backend, std::string(zelvoro::app::application_title));
    zelvoro::app::register_windows(toolkit, system.services(), state);
    zelvoro::app::start(toolkit);
    return toolkit.ended() ? 0 : app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelvoro"));
    // The program ends when its window logic says so, not when the last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    QTranslator translator;
    install_qt_translations(app, translator);
    const int status = run(app);
    // Forms released at the end are deleted here, before the application goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
