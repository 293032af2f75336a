// A platform call that could not run at all (a missing library or function, a service that
// cannot be reached), as opposed to one that ran and returned a failure code.
#pragma once

#include <stdexcept>

namespace zelvoro::platform {

class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace zelvoro::platform
