#include "platform/adapters/resolver_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

namespace zelvoro::platform {

namespace {

const std::filesystem::path resolved_runtime_folder = "/run/systemd/resolve";
// In the first comment lines of every file resolved keeps under resolved_runtime_folder.
constexpr std::string_view resolved_header_mark = "managed by man:systemd-resolved(8)";
constexpr std::string_view nameserver_keyword = "nameserver";

// The C library's reading: the keyword at the start of the line, then a blank.
bool is_nameserver_line(std::string_view line) {
    return line.size() > nameserver_keyword.size() && line.starts_with(nameserver_keyword) &&
           (line[nameserver_keyword.size()] == ' ' || line[nameserver_keyword.size()] == '\t');
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

std::optional<std::filesystem::path> link_target(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_symlink(file, error)) {
        return std::nullopt;
    }
    auto target = std::filesystem::read_symlink(file, error);
    return error ? std::nullopt : std::optional(std::move(target));
}

std::string content_of(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

bool has_resolved_header(std::string_view content) {
    const auto lines = split_lines(content);
    return std::any_of(lines.begin(), lines.end(), [](std::string_view line) {
        return line.starts_with('#') && line.find(resolved_header_mark) != std::string_view::npos;
    });
}

// CR LF when the first line ends so, LF otherwise.
std::string_view line_end_of(std::string_view content) {
    const auto end = content.find('\n');
    return end != std::string_view::npos && end > 0 && content[end - 1] == '\r' ? "\r\n" : "\n";
}

} // namespace

bool is_resolved_file(const std::filesystem::path& file,
                      const std::function<bool()>& resolved_answers) {
    const auto target = link_target(file);
    const bool resolveds = (target && lies_under((file.parent_path() / *target).lexically_normal(),
                                                 resolved_runtime_folder)) ||
                           has_resolved_header(content_of(file));
    return resolveds && resolved_answers();
}

std::string replace_nameservers(std::string_view content, const std::vector<Ipv4Address>& servers) {
    const std::string_view line_end = line_end_of(content);
    std::string result;
    bool replaced = false;
    const auto add_servers = [&] {
        for (const Ipv4Address& server : servers) {
            result.append(nameserver_keyword).append(" ").append(to_dotted_quad(server));
            result.append(line_end);
        }
        replaced = true;
    };
    for (const std::string_view line : split_lines(content)) {
        if (!is_nameserver_line(line)) {
            // A line of a CR LF file keeps its CR; only a last line without a break gets one.
            result.append(line).append(line.ends_with('\r') ? "\n" : line_end);
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
