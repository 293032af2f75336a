// The resolver configuration file (resolv.conf): whether systemd-resolved owns it, and its
// nameserver lines.
#pragma once

#include "platform/ipv4_address.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform {

// True when the resolver file at `file` belongs to systemd-resolved: it is resolved's (a
// symbolic link into /run/systemd/resolve/, or a file carrying the header resolved writes into
// the files it keeps there) and `resolved_answers` says resolved runs, which is asked only
// then. A nameserver line naming resolved's stub listener 127.0.0.53 alone does not count:
// this program may have written it there itself.
bool is_resolved_file(const std::filesystem::path& file,
                      const std::function<bool()>& resolved_answers);

// `content` with its nameserver lines replaced by one line per server, in order, where the
// first nameserver line stood (at the end when there was none). Every other line is kept as it
// was; the result ends with a line break. New line breaks are the file's own: CR LF when its
// first line ends so, LF otherwise.
std::string replace_nameservers(std::string_view content, const std::vector<Ipv4Address>& servers);

} // namespace zelvoro::platform
