// zelvoro-screenshot.exe: the Windows program with stand-ins for the echo service, the shell
// and the neighbour table (some addresses of every segment answer, a device confirmed its MAC
// on .1 and on .5, which does not answer; nothing goes on the network), for the screenshots
// that scripts/screenshot-windows.sh takes of its windows.
#include "app/application.h"
#include "support/fake_services.h"
#include "ui/toolkit.h"
#include "ui/win32/view_trace.h"
#include "ui/win32/win32_backend.h"

#include <set>
#include <string>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
    zelvoro::fakes::FakeServices fakes;
    const std::set<int> answering{1, 2, 3, 8, 13, 21, 34};
    fakes.echo.answers = [&answering](const zelvoro::platform::Ipv4Address& address) {
        return answering.contains(address.octets[3]);
    };
    fakes.neighbours.present = {{{{192, 168, 1, 1}}, {0x02, 0x00, 0x5e, 0x00, 0x00, 0x01}},
                                {{{192, 168, 1, 5}}, {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}}};
    zelvoro::shared::ProcessState state;
    zelvoro::ui::win32::Win32Backend backend(fakes.diagnostics,
                                             zelvoro::ui::win32::ViewTrace::from_environment());
    zelvoro::ui::Toolkit toolkit(backend, std::string(zelvoro::app::application_title));
    zelvoro::app::register_windows(toolkit, fakes.services, state);
    zelvoro::app::start(toolkit);
    return toolkit.ended() ? 0 : backend.run();
}
