// The operating system's services, created once when the program starts, with the program's
// diagnostics sink (and, for ZELVORO_LOG=debug, a line per service call).
#pragma once

#include "platform/logged_services.h"
#include "platform/services.h"

#include <memory>

namespace zelvoro::app {

class SystemServices {
public:
    SystemServices();
    ~SystemServices();
    SystemServices(const SystemServices&) = delete;
    SystemServices& operator=(const SystemServices&) = delete;

    platform::Services& services() { return logged_ ? logged_->services() : services_; }
    platform::Diagnostics& diagnostics() { return *diagnostics_; }

private:
    std::unique_ptr<platform::Diagnostics> diagnostics_;
    std::unique_ptr<platform::ShellOpen> shell_;
    std::unique_ptr<platform::EchoService> echo_;
    std::unique_ptr<platform::AddressTable> address_table_;
    std::unique_ptr<platform::HttpClient> http_;
    std::unique_ptr<platform::AdapterService> adapters_;
    std::unique_ptr<platform::NeighbourService> neighbours_;
    std::unique_ptr<platform::NameService> names_;
    platform::Services services_;
    std::unique_ptr<platform::LoggedServices> logged_;
};

} // namespace zelvoro::app
