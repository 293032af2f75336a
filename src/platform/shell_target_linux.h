// What the Linux desktop is asked to open for a target written in Windows terms.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace zelvoro::platform {

// A UNC path (\\host, \\host\share\folder) becomes the smb:// URL of the same place; a bare
// host gets a trailing slash, which file browsers show as the host's list of shares. Anything
// else (a web address, a local path) is passed on unchanged.
inline std::string linux_open_target(std::string_view target) {
    constexpr std::string_view unc_prefix = "\\\\";
    const std::string_view rest =
        target.starts_with(unc_prefix) ? target.substr(unc_prefix.size()) : std::string_view{};
    if (rest.empty() || rest.front() == '\\') {
        return std::string(target);
    }
    std::string url = "smb://" + std::string(rest);
    std::replace(url.begin(), url.end(), '\\', '/');
    if (rest.find('\\') == std::string_view::npos) {
        url += '/';
    }
    return url;
}

} // namespace zelvoro::platform
