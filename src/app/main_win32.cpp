// The Windows program: both windows on native Win32 controls, with the operating system's
// services. COM is started once on the user-interface thread, apartment-threaded, for the
// services that reach the system's management interface.
#include "app/application.h"
#include "app/system_services.h"
#include "platform/win32/com_win32.h"
#include "ui/toolkit.h"
#include "ui/win32/view_trace.h"
#include "ui/win32/win32_backend.h"

#include <string>
#include <windows.h>

namespace {

int run() {
    zelvoro::app::SystemServices system;
    zelvoro::shared::ProcessState state = zelvoro::app::initial_state();
    zelvoro::ui::win32::Win32Backend backend(system.diagnostics(),
                                             zelvoro::ui::win32::ViewTrace::from_environment());
    zelvoro::ui::Toolkit toolkit(backend, std::string(zelvoro::app::application_title));
    zelvoro::app::register_windows(toolkit, system.services(), state);
    zelvoro::app::start(toolkit);
    return toolkit.ended() ? 0 : backend.run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
    const zelvoro::platform::com::Apartment com;
    return run();
}
