// Stand-ins for the operating-system services: nothing is started, nothing goes on the network
// and nothing on the machine changes.
#pragma once

#include "platform/services.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
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

// Proves the devices in `present` (none unless a test adds them) by the end of every sweep; a test
// hands later proofs to the watch that is running, as the system would from a thread of its own.
class FakeNeighbours final : public platform::NeighbourService {
public:
    std::unique_ptr<platform::PresenceWatch> watch(std::span<const platform::Ipv4Address> range,
                                                   const platform::LateWindows&,
                                                   platform::PresenceSink sink) override {
        return std::make_unique<Watch>(*this, range, std::move(sink));
    }

    // Any thread: `proof` goes to the running watch's sink; false when no watch is running.
    bool prove_late(const platform::Neighbour& proof) {
        const std::lock_guard lock(mutex_);
        if (running_ == nullptr) {
            return false;
        }
        running_->proven(proof);
        return true;
    }

    std::vector<platform::Neighbour> present;

private:
    class Watch final : public platform::PresenceWatch {
    public:
        Watch(FakeNeighbours& service, std::span<const platform::Ipv4Address> range,
              platform::PresenceSink sink)
            : service_(service), range_(range.begin(), range.end()), sink_(std::move(sink)) {
            const std::lock_guard lock(service_.mutex_);
            service_.running_ = &sink_;
        }
        ~Watch() override {
            const std::lock_guard lock(service_.mutex_);
            if (service_.running_ == &sink_) {
                service_.running_ = nullptr;
            }
        }
        std::vector<platform::Neighbour>
        sweep_ended(std::span<const platform::Ipv4Address>) override {
            std::vector<platform::Neighbour> found;
            for (const platform::Neighbour& neighbour : service_.present) {
                if (std::find(range_.begin(), range_.end(), neighbour.address) != range_.end()) {
                    found.push_back(neighbour);
                }
            }
            return found;
        }

    private:
        FakeNeighbours& service_;
        std::vector<platform::Ipv4Address> range_;
        platform::PresenceSink sink_;
    };

    std::mutex mutex_;
    platform::PresenceSink* running_ = nullptr;
};

// Finds no name by itself; a test hands names to the lookup that is running, as the system would
// from a thread of its own. Every address asked about is kept.
class FakeNames final : public platform::NameService {
public:
    std::unique_ptr<platform::NameLookup> look_up(platform::NameQueries queries,
                                                  std::chrono::milliseconds,
                                                  platform::NameSink sink) override {
        auto lookup = std::make_unique<Lookup>(*this, std::move(sink));
        lookup->add(std::move(queries));
        return lookup;
    }

    // Any thread: `found` goes to the running lookup's sink; false when none is running.
    bool name_late(const platform::FoundName& found) {
        const std::lock_guard lock(mutex_);
        if (running_ == nullptr) {
            return false;
        }
        (*running_)(found);
        return true;
    }

    std::vector<platform::Ipv4Address> asked() {
        const std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    class Lookup final : public platform::NameLookup {
    public:
        Lookup(FakeNames& service, platform::NameSink sink)
            : service_(service), sink_(std::move(sink)) {
            const std::lock_guard lock(service_.mutex_);
            service_.running_ = &sink_;
        }
        ~Lookup() override { cancel(); }
        void cancel() override {
            const std::lock_guard lock(service_.mutex_);
            if (service_.running_ == &sink_) {
                service_.running_ = nullptr;
            }
        }
        bool wait() override {
            cancel();
            return false;
        }
        void add(platform::NameQueries queries) override {
            const std::lock_guard lock(service_.mutex_);
            for (const platform::Ipv4Address& address : queries.reverse_dns) {
                service_.asked_.push_back(address);
            }
        }

    private:
        FakeNames& service_;
        platform::NameSink sink_;
    };

    std::mutex mutex_;
    platform::NameSink* running_ = nullptr;
    std::vector<platform::Ipv4Address> asked_;
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
    FakeNames names;
    platform::Services services{shell,    echo,       address_table, http,
                                adapters, neighbours, names,         diagnostics};
};

} // namespace zelvoro::fakes
