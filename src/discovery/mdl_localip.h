// The machine's own IPv4 addresses, read from the platform's address table into the
// process-wide results both windows read right after a scan.
#pragma once

#include "platform/address_table.h"
#include "platform/diagnostics.h"
#include "shared/process_state.h"
#include "ui/address_row.h"
#include "ui/toolkit.h"

#include <cstddef>

namespace zelvoro::discovery {

// The most rows one scan takes; a longer table is reported as an error after these.
inline constexpr std::size_t max_scanned_rows = 256;

// Reads the table and stores its row count and the addresses in `state`, as dotted quads: the
// first row's address in first_local_address (every scan that reads a table refreshes it) and
// the others in local_address_marker. No table leaves `state` as it was. A table that cannot be
// read, or a row beyond the 256th, is reported in the box "ERROR" after the rows before it were
// stored, and its reason in `diagnostics`. Always returns normally.
void scan_local_addresses(platform::AddressTable& table, platform::Diagnostics& diagnostics,
                          shared::ProcessState& state, ui::Toolkit& toolkit);

// 本机IP of either window: scans, then fills `row` with the first address (each field's change
// handling running as if typed), or says that no address was found and leaves the row alone.
void fill_with_local_address(const ui::AddressRow& row, platform::AddressTable& table,
                             platform::Diagnostics& diagnostics, shared::ProcessState& state,
                             ui::Toolkit& toolkit);

} // namespace zelvoro::discovery
