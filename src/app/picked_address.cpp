#include "app/picked_address.h"

namespace zelvoro::app {

std::string picked_address;

} // namespace zelvoro::app
