// The resolver configuration file (resolv.conf): whether systemd-resolved owns it, and its
// nameserver lines.
#pragma once

#include "platform/ipv4_address.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform {

// True when the file at `file` belongs to systemd-resolved: it is a symbolic link whose target
// (`link_target`, relative to the link's folder when not absolute) lies under
// /run/systemd/resolve/, or its `content` names resolved's stub listener 127.0.0.53.
bool is_resolved_file(const std::filesystem::path& file,
                      const std::optional<std::filesystem::path>& link_target,
                      std::string_view content);

// `content` with its nameserver lines replaced by one line per server, in order, where the
// first nameserver line stood (at the end when there was none). Every other line is kept as it
// was; the result ends with a line break.
std::string replace_nameservers(std::string_view content, const std::vector<Ipv4Address>& servers);

} // namespace zelvoro::platform
