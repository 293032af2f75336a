// The desktop program: both windows on Qt 6 Widgets, the system's shell and echo service.
#include "app/application.h"
#include "discovery/mdl_getnetip.h"
#include "platform/services.h"
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
    const auto shell = zelvoro::platform::make_system_shell();
    const auto echo = zelvoro::platform::make_system_echo_service();
    const auto address_table = zelvoro::platform::make_system_address_table();
    const auto http = zelvoro::platform::make_system_http_client();
    const auto adapters = zelvoro::platform::make_system_adapter_service();
    const auto neighbours = zelvoro::platform::make_system_neighbour_table();
    zelvoro::platform::Services services{*shell, *echo,     *address_table,
                                         *http,  *adapters, *neighbours};
    zelvoro::shared::ProcessState state;
    state.address_page_url = zelvoro::discovery::address_page_url_from_environment();
    zelvoro::ui::qt::QtBackend backend;
    zelvoro::ui::Toolkit toolkit(backend, std::string(zelvoro::app::application_title));
    zelvoro::app::register_windows(toolkit, services, state);
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
