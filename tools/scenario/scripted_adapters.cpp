#include "scripted_adapters.h"

#include "platform/environment.h"
#include "platform/platform_error.h"
#include "ui/headless/transcript.h"

#include <string_view>

namespace zelvoro::scenario {

namespace {

constexpr std::string_view enable_static_name = "EnableStatic";
constexpr std::string_view set_gateways_name = "SetGateways";
constexpr std::string_view set_dns_name = "SetDNSServerSearchOrder";

template <typename T> std::string list_text(const std::vector<T>& values) {
    std::string text = "(";
    for (const T& value : values) {
        if (text.size() > 1) {
            text += ' ';
        }
        if constexpr (std::is_same_v<T, std::string>) {
            text += ui::headless::quoted(value);
        } else {
            text += std::to_string(value);
        }
    }
    return text + ")";
}

// One adapter, fake or real, whose every method call leaves a transcript line.
class TracedAdapter final : public platform::AdapterConfiguration {
public:
    // `inner` is the real adapter; without one the scripted results answer.
    TracedAdapter(const ScriptedAdapters& script, std::size_t position,
                  std::unique_ptr<platform::AdapterConfiguration> inner)
        : script_(script), position_(position), inner_(std::move(inner)) {}

    std::string description() const override {
        return inner_ ? inner_->description() : "fake adapter " + std::to_string(position_ + 1);
    }

    int enable_static(const std::vector<std::string>& addresses,
                      const std::vector<std::string>& masks) override {
        return traced(enable_static_name, list_text(addresses) + " " + list_text(masks),
                      [&] { return inner_->enable_static(addresses, masks); });
    }
    int set_gateways(const std::vector<std::string>& gateways,
                     const std::vector<std::uint16_t>& metrics) override {
        return traced(set_gateways_name, list_text(gateways) + " " + list_text(metrics),
                      [&] { return inner_->set_gateways(gateways, metrics); });
    }
    int set_dns_server_search_order(const std::vector<std::string>& servers) override {
        return traced(set_dns_name, list_text(servers),
                      [&] { return inner_->set_dns_server_search_order(servers); });
    }

private:
    template <typename Call>
    int traced(std::string_view method, const std::string& arguments, const Call& call) {
        const std::string line = "wmi " + std::string(method) + " " + arguments + " -> ";
        try {
            const int result = inner_ ? call() : scripted(method);
            script_.trace(line + std::to_string(result));
            return result;
        } catch (const platform::PlatformError&) {
            script_.trace(line + "raise");
            throw;
        }
    }

    int scripted(std::string_view method) const {
        const auto result = script_.scripted_result(std::string(method), position_);
        if (!result) {
            throw platform::PlatformError("the call failed to run");
        }
        return *result;
    }

    const ScriptedAdapters& script_;
    std::size_t position_;
    std::unique_ptr<platform::AdapterConfiguration> inner_;
};

} // namespace

bool real_adapters_allowed(std::string& why_not) {
    return platform::environment_variable("ZELVORO_ALLOW_REAL_ADAPTERS") == "1" ||
           cannot_change_this_machine(why_not);
}

void ScriptedAdapters::use_fakes(int count) {
    mode_ = Mode::fakes;
    count_ = count;
}

void ScriptedAdapters::make_unreachable() {
    mode_ = Mode::unreachable;
}

void ScriptedAdapters::use_real(platform::Diagnostics& diagnostics) {
    mode_ = Mode::real;
    if (!real_) {
        real_ = platform::make_system_adapter_service(diagnostics);
    }
}

void ScriptedAdapters::set_results(const std::string& method, std::vector<Result> results) {
    results_[method] = std::move(results);
}

ScriptedAdapters::Result ScriptedAdapters::scripted_result(const std::string& method,
                                                           std::size_t position) const {
    const auto found = results_.find(method);
    if (found == results_.end() || position >= found->second.size()) {
        return platform::adapter_result::success;
    }
    return found->second[position];
}

std::vector<std::unique_ptr<platform::AdapterConfiguration>>
ScriptedAdapters::ip_enabled_adapters() {
    std::vector<std::unique_ptr<platform::AdapterConfiguration>> adapters;
    switch (mode_) {
    case Mode::unreachable:
        throw platform::PlatformError("the management service cannot be reached");
    case Mode::fakes:
        for (int i = 0; i < count_; ++i) {
            adapters.push_back(std::make_unique<TracedAdapter>(*this, adapters.size(), nullptr));
        }
        break;
    case Mode::real:
        for (auto& adapter : real_->ip_enabled_adapters()) {
            adapters.push_back(
                std::make_unique<TracedAdapter>(*this, adapters.size(), std::move(adapter)));
        }
        break;
    }
    return adapters;
}

} // namespace zelvoro::scenario
