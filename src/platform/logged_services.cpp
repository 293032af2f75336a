#include "platform/logged_services.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace zelvoro::platform {

namespace {

using Clock = std::chrono::steady_clock;

std::string duration_text(Clock::duration duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ms",
                  std::chrono::duration<double, std::milli>(duration).count());
    return text;
}

// Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "\"" + text at -O2.
std::string quoted(std::string_view text) {
    std::string result(1, '"');
    result += text;
    result += '"';
    return result;
}

// Runs `call` and writes "WHAT: RESULT (DURATION)", with RESULT from `describe` (nothing for a
// call without a result), or "WHAT raised: WHY (DURATION)" before the exception goes on.
template <typename Call, typename Describe>
auto logged(Diagnostics& diagnostics, const std::string& what, const Call& call,
            const Describe& describe) {
    const auto began = Clock::now();
    try {
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            diagnostics.debug(what + ": done (" + duration_text(Clock::now() - began) + ")");
        } else {
            auto result = call();
            diagnostics.debug(what + ": " + describe(result) + " (" +
                              duration_text(Clock::now() - began) + ")");
            return result;
        }
    } catch (const std::exception& error) {
        diagnostics.debug(what + " raised: " + error.what() + " (" +
                          duration_text(Clock::now() - began) + ")");
        throw;
    }
}

constexpr auto no_result = [](const auto&) { return std::string(); };

class LoggedShell final : public ShellOpen {
public:
    LoggedShell(ShellOpen& inner, Diagnostics& diagnostics)
        : inner_(inner), diagnostics_(diagnostics) {}
    void open(std::string_view target) override {
        logged(
            diagnostics_, "shell open " + quoted(target), [&] { inner_.open(target); }, no_result);
    }

private:
    ShellOpen& inner_;
    Diagnostics& diagnostics_;
};

class LoggedEcho final : public EchoService {
public:
    LoggedEcho(EchoService& inner, Diagnostics& diagnostics)
        : inner_(inner), diagnostics_(diagnostics) {}
    EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                             std::chrono::milliseconds timeout) override {
        return logged(
            diagnostics_,
            "echo to " + std::to_string(addresses.size()) + " addresses, timeout " +
                std::to_string(timeout.count()) + " ms",
            [&] { return inner_.echo_all(addresses, timeout); },
            [](const EchoSweepResult& result) {
                if (!result.permitted) {
                    return std::string("not permitted");
                }
                const auto answered =
                    std::count(result.status.begin(), result.status.end(), echo_answered);
                return std::to_string(answered) + " answered";
            });
    }

private:
    EchoService& inner_;
    Diagnostics& diagnostics_;
};

class LoggedAddressTable final : public AddressTable {
public:
    LoggedAddressTable(AddressTable& inner, Diagnostics& diagnostics)
        : inner_(inner), diagnostics_(diagnostics) {}
    AddressTableRead read() override {
        return logged(
            diagnostics_, "address table read", [&] { return inner_.read(); },
            [](const AddressTableRead& read) -> std::string {
                if (const auto* rows = std::get_if<std::vector<LocalAddress>>(&read)) {
                    return std::to_string(rows->size()) + " addresses";
                }
                if (const auto* failure = std::get_if<AddressTableFailure>(&read)) {
                    return "failed: " + failure->reason;
                }
                return "no table";
            });
    }

private:
    AddressTable& inner_;
    Diagnostics& diagnostics_;
};

class LoggedHttp final : public HttpClient {
public:
    LoggedHttp(HttpClient& inner, Diagnostics& diagnostics)
        : inner_(inner), diagnostics_(diagnostics) {}
    std::optional<std::string> get(std::string_view url, std::string_view user_agent) override {
        return logged(
            diagnostics_, "http GET " + quoted(url), [&] { return inner_.get(url, user_agent); },
            [](const std::optional<std::string>& body) {
                return body ? std::to_string(body->size()) + " bytes" : std::string("no page");
            });
    }

private:
    HttpClient& inner_;
    Diagnostics& diagnostics_;
};

class LoggedAdapter final : public AdapterConfiguration {
public:
    LoggedAdapter(std::unique_ptr<AdapterConfiguration> inner, Diagnostics& diagnostics)
        : inner_(std::move(inner)), diagnostics_(diagnostics) {}

    std::string description() const override { return inner_->description(); }
    int enable_static(const std::vector<std::string>& addresses,
                      const std::vector<std::string>& masks) override {
        return logged(
            diagnostics_, "EnableStatic on " + quoted(description()),
            [&] { return inner_->enable_static(addresses, masks); }, code_text);
    }
    int set_gateways(const std::vector<std::string>& gateways,
                     const std::vector<std::uint16_t>& metrics) override {
        return logged(
            diagnostics_, "SetGateways on " + quoted(description()),
            [&] { return inner_->set_gateways(gateways, metrics); }, code_text);
    }
    int set_dns_server_search_order(const std::vector<std::string>& servers) override {
        return logged(
            diagnostics_, "SetDNSServerSearchOrder on " + quoted(description()),
            [&] { return inner_->set_dns_server_search_order(servers); }, code_text);
    }

private:
    static std::string code_text(int code) { return "returned " + std::to_string(code); }

    std::unique_ptr<AdapterConfiguration> inner_;
    Diagnostics& diagnostics_;
};

class LoggedAdapters final : public AdapterService {
public:
    LoggedAdapters(AdapterService& inner, Diagnostics& diagnostics)
        : inner_(inner), diagnostics_(diagnostics) {}
    std::vector<std::unique_ptr<AdapterConfiguration>> ip_enabled_adapters() override {
        auto adapters = logged(
            diagnostics_, "adapter query", [&] { return inner_.ip_enabled_adapters(); },
            [](const std::vector<std::unique_ptr<AdapterConfiguration>>& found) {
                return std::to_string(found.size()) + " IP-enabled adapters";
            });
        for (auto& adapter : adapters) {
            adapter = std::make_unique<LoggedAdapter>(std::move(adapter), diagnostics_);
        }
        return adapters;
    }

private:
    AdapterService& inner_;
    Diagnostics& diagnostics_;
};

class LoggedWatch final : public PresenceWatch {
public:
    LoggedWatch(std::unique_ptr<PresenceWatch> inner, Diagnostics& diagnostics)
        : inner_(std::move(inner)), diagnostics_(diagnostics) {}
    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address> silent) override {
        return logged(
            diagnostics_,
            "presence at the sweep's end, " + std::to_string(silent.size()) + " silent",
            [&] { return inner_->sweep_ended(silent); },
            [](const std::vector<Neighbour>& proven) {
                return std::to_string(proven.size()) + " proven";
            });
    }

private:
    std::unique_ptr<PresenceWatch> inner_;
    Diagnostics& diagnostics_;
};

// The proofs that arrive later are counted in the line that ends the watch: they may come from
// any thread, and one line each would flood the log.
class LoggedNeighbours final : public NeighbourService {
public:
    LoggedNeighbours(NeighbourService& inner, Diagnostics& diagnostics)
        : inner_(inner), diagnostics_(diagnostics) {}
    std::unique_ptr<PresenceWatch> watch(std::span<const Ipv4Address> range,
                                         const LateWindows& windows, PresenceSink sink) override {
        auto late = std::make_shared<std::atomic<std::size_t>>(0);
        const auto began = Clock::now();
        PresenceSink counted{
            [late, proven = std::move(sink.proven)](const Neighbour& neighbour) {
                ++*late;
                proven(neighbour);
            },
            [late, began, ended = std::move(sink.ended), &diagnostics = diagnostics_] {
                diagnostics.debug("presence window ended: " + std::to_string(late->load()) +
                                  " proven late (" + duration_text(Clock::now() - began) + ")");
                ended();
            }};
        auto inner = logged(
            diagnostics_, "presence watch of " + std::to_string(range.size()) + " addresses",
            [&] { return inner_.watch(range, windows, std::move(counted)); },
            [](const std::unique_ptr<PresenceWatch>&) { return std::string("begun"); });
        return std::make_unique<LoggedWatch>(std::move(inner), diagnostics_);
    }

private:
    NeighbourService& inner_;
    Diagnostics& diagnostics_;
};

std::string queries_text(const NameQueries& queries) {
    return std::to_string(queries.reverse_dns.size()) + " reverse, " +
           std::to_string(queries.link_local.size()) + " link-local";
}

// The names that arrive are counted in the line that ends the lookup, as the late proofs are.
class LoggedLookup final : public NameLookup {
public:
    LoggedLookup(std::unique_ptr<NameLookup> inner, std::shared_ptr<std::atomic<std::size_t>> found,
                 Diagnostics& diagnostics)
        : inner_(std::move(inner)), found_(std::move(found)), diagnostics_(diagnostics) {}
    ~LoggedLookup() override { cancel(); }

    void cancel() override {
        inner_->cancel();
        log_end("cancelled");
    }
    bool wait() override {
        const bool answered = inner_->wait();
        log_end(answered ? "answered" : "timed out");
        return answered;
    }
    void add(NameQueries queries) override {
        diagnostics_.debug("name lookup adds " + queries_text(queries));
        inner_->add(std::move(queries));
    }

private:
    void log_end(const std::string& how) {
        if (!std::exchange(ended_, true)) {
            diagnostics_.debug("name lookup " + how + ": " + std::to_string(found_->load()) +
                               " names (" + duration_text(Clock::now() - began_) + ")");
        }
    }

    std::unique_ptr<NameLookup> inner_;
    std::shared_ptr<std::atomic<std::size_t>> found_;
    Diagnostics& diagnostics_;
    Clock::time_point began_ = Clock::now();
    bool ended_ = false;
};

class LoggedNames final : public NameService {
public:
    LoggedNames(NameService& inner, Diagnostics& diagnostics)
        : inner_(inner), diagnostics_(diagnostics) {}
    std::unique_ptr<NameLookup> look_up(NameQueries queries, std::chrono::milliseconds limit,
                                        NameSink sink) override {
        auto found = std::make_shared<std::atomic<std::size_t>>(0);
        NameSink counted = [found, sink = std::move(sink)](const FoundName& name) {
            ++*found;
            sink(name);
        };
        const std::string what = "name lookup of " + queries_text(queries) + ", limit " +
                                 std::to_string(limit.count()) + " ms";
        auto inner = logged(
            diagnostics_, what,
            [&] { return inner_.look_up(std::move(queries), limit, std::move(counted)); },
            [](const std::unique_ptr<NameLookup>&) { return std::string("begun"); });
        return std::make_unique<LoggedLookup>(std::move(inner), found, diagnostics_);
    }

private:
    NameService& inner_;
    Diagnostics& diagnostics_;
};

} // namespace

struct LoggedServices::Wrappers {
    explicit Wrappers(const Services& inner)
        : shell(inner.shell, inner.diagnostics), echo(inner.echo, inner.diagnostics),
          address_table(inner.address_table, inner.diagnostics),
          http(inner.http, inner.diagnostics), adapters(inner.adapters, inner.diagnostics),
          neighbours(inner.neighbours, inner.diagnostics), names(inner.names, inner.diagnostics) {}

    LoggedShell shell;
    LoggedEcho echo;
    LoggedAddressTable address_table;
    LoggedHttp http;
    LoggedAdapters adapters;
    LoggedNeighbours neighbours;
    LoggedNames names;
};

LoggedServices::LoggedServices(const Services& inner)
    : wrappers_(std::make_unique<Wrappers>(inner)),
      services_{wrappers_->shell, wrappers_->echo,     wrappers_->address_table,
                wrappers_->http,  wrappers_->adapters, wrappers_->neighbours,
                wrappers_->names, inner.diagnostics} {}

LoggedServices::~LoggedServices() = default;

} // namespace zelvoro::platform
