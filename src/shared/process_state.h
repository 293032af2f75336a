// What the program keeps for as long as it runs and both windows see: created once at start-up
// and handed to each window. Nothing of it is stored between runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zelvoro::shared {

struct ProcessState {
    // The address the main window hands to the settings window: empty when unset, otherwise a
    // dotted quad. Closing a window never clears it; a successful apply does.
    std::string picked_address;

    // The local address scan's results. The count is empty until a scan gets past its size
    // query; the first address is a dotted quad whenever the count is at least 1; the marker
    // is empty until a first address has been stored (only its emptiness matters).
    std::optional<std::int32_t> local_address_count;
    std::string first_local_address;
    std::string local_address_marker;

    // The address of the page that reports the public address, chosen once at start-up.
    std::string address_page_url;
};

} // namespace zelvoro::shared
