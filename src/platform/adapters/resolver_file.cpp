#include "platform/adapters/resolver_file.h"

#include <algorithm>

namespace zelvoro::platform {

namespace {

const std::filesystem::path resolved_runtime_folder = "/run/systemd/resolve";
constexpr std::string_view resolved_stub_address = "127.0.0.53";
constexpr std::string_view nameserver_keyword = "nameserver";

// The C library's reading: the keyword at the start of the line, then a blank.
bool is_nameserver_line(std::string_view line) {
    return line.size() > nameserver_keyword.size() && line.starts_with(nameserver_keyword) &&
           (line[nameserver_keyword.size()] == ' ' || line[nameserver_keyword.size()] == '\t');
}

std::string_view first_word(std::string_view text) {
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return {};
    }
    text.remove_prefix(start);
    return text.substr(0, text.find_first_of(" \t\r#;"));
}

std::vector<std::string_view> split_lines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const auto end = content.find('\n');
        lines.push_back(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    }
    return lines;
}

bool lies_under(const std::filesystem::path& path, const std::filesystem::path& folder) {
    const auto [folder_end, path_at] =
        std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folder_end == folder.end() && path_at != path.end();
}

} // namespace

bool is_resolved_file(const std::filesystem::path& file,
                      const std::optional<std::filesystem::path>& link_target,
                      std::string_view content) {
    if (link_target) {
        const auto target = (file.parent_path() / *link_target).lexically_normal();
        if (lies_under(target, resolved_runtime_folder)) {
            return true;
        }
    }
    const auto lines = split_lines(content);
    return std::any_of(lines.begin(), lines.end(), [](std::string_view line) {
        return is_nameserver_line(line) &&
               first_word(line.substr(nameserver_keyword.size())) == resolved_stub_address;
    });
}

std::string replace_nameservers(std::string_view content, const std::vector<Ipv4Address>& servers) {
    std::string result;
    bool replaced = false;
    const auto add_servers = [&] {
        for (const Ipv4Address& server : servers) {
            result.append(nameserver_keyword).append(" ").append(to_dotted_quad(server)) += '\n';
        }
        replaced = true;
    };
    for (const std::string_view line : split_lines(content)) {
        if (!is_nameserver_line(line)) {
            result.append(line) += '\n';
        } else if (!replaced) {
            add_servers();
        }
    }
    if (!replaced) {
        add_servers();
    }
    return result;
}

} // namespace zelvoro::platform
