// Stand-ins for the operating-system services: nothing is started, nothing goes on the network
// and nothing on the machine changes.
#pragma once

#include "platform/services.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::fakes {

class FakeShell final : public platform::ShellOpen {
public:
    void open(std::string_view target) override { opened.emplace_back(target); }

    std::vector<std::string> opened;
};

// Answers the addresses `answers` picks; the others time out.
class FakeEcho final : public platform::EchoService {
public:
    platform::EchoSweepResult echo_all(std::span<const platform::Ipv4Address> addresses,
                                       std::chrono::milliseconds /*timeout*/) override {
        platform::EchoSweepResult result;
        for (const platform::Ipv4Address& address : addresses) {
            const bool answered = answers && answers(address);
            result.status.push_back(answered ? platform::echo_answered : platform::echo_timed_out);
        }
        return result;
    }

    std::function<bool(const platform::Ipv4Address&)> answers;
};

// A table holding only 127.0.0.1, as a machine with no adapter up has.
class FakeAddressTable final : public platform::AddressTable {
public:
    platform::AddressTableRead read() override {
        return std::vector{platform::LocalAddress{{{127, 0, 0, 1}}, {{255, 0, 0, 0}}}};
    }
};

// No connection can be made.
class FakeHttp final : public platform::HttpClient {
public:
    std::optional<std::string> get(std::string_view, std::string_view) override {
        return std::nullopt;
    }
};

// No IP-enabled adapter.
class FakeAdapters final : public platform::AdapterService {
public:
    std::vector<std::unique_ptr<platform::AdapterConfiguration>> ip_enabled_adapters() override {
        return {};
    }
};

// The neighbours in `present` (none unless a test adds them) were confirmed just now.
class FakeNeighbours final : public platform::NeighbourTable {
public:
    std::vector<platform::Neighbour> confirmed(std::span<const platform::Ipv4Address> addresses,
                                               std::chrono::milliseconds) override {
        std::vector<platform::Neighbour> found;
        for (const platform::Neighbour& neighbour : present) {
            if (std::find(addresses.begin(), addresses.end(), neighbour.address) !=
                addresses.end()) {
                found.push_back(neighbour);
            }
        }
        return found;
    }

    std::vector<platform::Neighbour> present;
};

// Every service a window needs, as fakes.
struct FakeServices {
    FakeShell shell;
    FakeEcho echo;
    FakeAddressTable address_table;
    FakeHttp http;
    FakeAdapters adapters;
    FakeNeighbours neighbours;
    platform::RecordedDiagnostics diagnostics;
    platform::Services services{shell,    echo,       address_table, http,
                                adapters, neighbours, diagnostics};
};

} // namespace zelvoro::fakes
