#include "app/system_services.h"

namespace zelvoro::app {

SystemServices::SystemServices()
    : shell_(platform::make_system_shell()), echo_(platform::make_system_echo_service()),
      address_table_(platform::make_system_address_table()),
      http_(platform::make_system_http_client()),
      adapters_(platform::make_system_adapter_service()),
      neighbours_(platform::make_system_neighbour_service()), services_{
                                                                *shell_,         *echo_,
                                                                *address_table_, *http_,
                                                                *adapters_,      *neighbours_} {}

} // namespace zelvoro::app
