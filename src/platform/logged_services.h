// The services with a debug line for every call: what was asked, what came back and how long it
// took (ZELVORO_LOG=debug). The lines go to the services' own diagnostics.
#pragma once

#include "platform/services.h"

#include <memory>

namespace zelvoro::platform {

class LoggedServices {
public:
    // `inner` outlives this object.
    explicit LoggedServices(const Services& inner);
    ~LoggedServices();
    LoggedServices(const LoggedServices&) = delete;
    LoggedServices& operator=(const LoggedServices&) = delete;

    Services& services() { return services_; }

private:
    struct Wrappers;
    std::unique_ptr<Wrappers> wrappers_;
    Services services_;
};

} // namespace zelvoro::platform
