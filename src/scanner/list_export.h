// The export file of a result list: one line per item, in list order, each the item's text
// followed by CR LF; no header, no trailer, no blank line. The items are dotted quads, plain
// ASCII, so the bytes are the same in every code page.
#pragma once

#include <string>
#include <vector>

namespace zelvoro::scanner {

std::string export_text(const std::vector<std::string>& items);

} // namespace zelvoro::scanner
