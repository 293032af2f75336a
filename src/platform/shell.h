// Opening a text (an address or a path) with the system's default handler.
#pragma once

#include <memory>
#include <string_view>

namespace zelvoro::platform {

class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // Starts the default handler for `target`; whether that works is not reported.
    virtual void open(std::string_view target) = 0;
};

// Linux: xdg-open, a UNC path (\\host) as an smb:// URL; Windows: ShellExecute "open".
std::unique_ptr<ShellOpen> make_system_shell();

} // namespace zelvoro::platform
