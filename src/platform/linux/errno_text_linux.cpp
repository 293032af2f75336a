#include "platform/linux/errno_text_linux.h"

#include <cstring>
#include <system_error>

namespace zelvoro::platform {

std::string errno_text(int error) {
    const std::string message = std::generic_category().message(error);
    const char* name = ::strerrorname_np(error);
    return name != nullptr ? std::string(name) + " (" + message + ")"
                           : "errno " + std::to_string(error) + " (" + message + ")";
}

} // namespace zelvoro::platform
