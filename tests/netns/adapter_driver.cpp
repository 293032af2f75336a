// zelvoro-adapter-driver [--resolver-file PATH] COMMAND [ARGUMENT...]: the system adapter
// service on the command line, for the namespace tests.
//   list                              the IP-enabled adapters, one name a line
//   enable-static ADDRESSES MASKS     comma-separated lists
//   set-gateways GATEWAYS METRICS     comma-separated lists ("" for none)
//   set-dns [SERVER...]
// A method is called on every adapter in turn; each prints "NAME RESULT". Exit 2: arguments
// refused; exit 3: a PlatformError (its message on stderr). Why a method failed goes to stderr
// too, one "zelvoro-adapter-driver: ..." line each.
#include "platform/adapters/adapters_linux.h"
#include "platform/platform_error.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zelvoro::platform;

constexpr int exit_refused = 2;
constexpr int exit_platform_error = 3;

using Method = std::function<int(AdapterConfiguration&)>;

std::vector<std::string> split_list(std::string_view text) {
    std::vector<std::string> items;
    while (!text.empty()) {
        const auto comma = text.find(',');
        items.emplace_back(text.substr(0, comma));
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return items;
}

std::optional<std::vector<std::uint16_t>> metrics(std::string_view text) {
    std::vector<std::uint16_t> values;
    for (const std::string& item : split_list(text)) {
        std::uint16_t value = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (error != std::errc() || end != item.data() + item.size()) {
            return std::nullopt;
        }
        values.push_back(value);
    }
    return values;
}

std::optional<Method> method(const std::vector<std::string>& words) {
    const std::string& name = words.front();
    if (name == "enable-static" && words.size() == 3) {
        return [a = split_list(words[1]), m = split_list(words[2])](AdapterConfiguration& adapter) {
            return adapter.enable_static(a, m);
        };
    }
    const auto metric_list = words.size() == 3 ? metrics(words[2]) : std::nullopt;
    if (name == "set-gateways" && metric_list) {
        return [g = split_list(words[1]), m = *metric_list](AdapterConfiguration& adapter) {
            return adapter.set_gateways(g, m);
        };
    }
    if (name == "set-dns") {
        return
            [s = std::vector<std::string>(words.begin() + 1, words.end())](
                AdapterConfiguration& adapter) { return adapter.set_dns_server_search_order(s); };
    }
    return std::nullopt;
}

int run(const LinuxAdapterOptions& options, const std::vector<std::string>& words) {
    std::optional<Method> call;
    if (words.front() != "list" && !(call = method(words))) {
        std::cerr << "usage: zelvoro-adapter-driver [--resolver-file PATH] list | enable-static "
                     "ADDRESSES MASKS | set-gateways GATEWAYS METRICS | set-dns [SERVER...]\n";
        return exit_refused;
    }
    StandardErrorDiagnostics diagnostics("zelvoro-adapter-driver");
    for (const auto& adapter :
         make_linux_adapter_service(options, diagnostics)->ip_enabled_adapters()) {
        std::cout << adapter->description();
        if (call) {
            std::cout << ' ' << (*call)(*adapter);
        }
        std::cout << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    LinuxAdapterOptions options;
    if (words.size() >= 2 && words.front() == "--resolver-file") {
        options.resolver_file = words[1];
        words.erase(words.begin(), words.begin() + 2);
    }
    if (words.empty()) {
        std::cerr << "zelvoro-adapter-driver: no command\n";
        return exit_refused;
    }
    try {
        return run(options, words);
    } catch (const PlatformError& error) {
        std::cerr << "zelvoro-adapter-driver: " << error.what() << '\n';
        return exit_platform_error;
    }
}
