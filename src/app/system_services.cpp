#include "app/system_services.h"

#include "platform/log/system_log.h"

namespace zelvoro::app {

SystemServices::SystemServices()
    : diagnostics_(platform::make_system_log("zelvoro")), shell_(platform::make_system_shell()),
      echo_(platform::make_system_echo_service()),
      address_table_(platform::make_system_address_table()),
      http_(platform::make_system_http_client(*diagnostics_)),
      adapters_(platform::make_system_adapter_service(*diagnostics_)),
      neighbours_(platform::make_system_neighbour_service(*diagnostics_)),
      names_(platform::make_system_name_service()), services_{*shell_,         *echo_,
                                                              *address_table_, *http_,
                                                              *adapters_,      *neighbours_,
                                                              *names_,         *diagnostics_},
      logged_(platform::debug_log_requested()
                  ? std::make_unique<platform::LoggedServices>(services_)
                  : nullptr) {}

SystemServices::~SystemServices() = default;

} // namespace zelvoro::app
