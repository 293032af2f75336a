// errno values as a log line shows them.
#pragma once

#include <string>

namespace zelvoro::platform {

// The value's name and text, "EPERM (Operation not permitted)"; "errno N (TEXT)" where the C
// library knows no name.
std::string errno_text(int error);

} // namespace zelvoro::platform
