// The operating system's services, created once when the program starts.
#pragma once

#include "platform/services.h"

#include <memory>

namespace zelvoro::app {

class SystemServices {
public:
    SystemServices();
    SystemServices(const SystemServices&) = delete;
    SystemServices& operator=(const SystemServices&) = delete;

    platform::Services& services() { return services_; }

private:
    std::unique_ptr<platform::ShellOpen> shell_;
    std::unique_ptr<platform::EchoService> echo_;
    std::unique_ptr<platform::AddressTable> address_table_;
    std::unique_ptr<platform::HttpClient> http_;
    std::unique_ptr<platform::AdapterService> adapters_;
    std::unique_ptr<platform::NeighbourService> neighbours_;
    platform::Services services_;
};

} // namespace zelvoro::app
