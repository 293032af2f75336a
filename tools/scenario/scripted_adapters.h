// The adapter service of a scenario: N fake IP-enabled adapters whose methods return scripted
// results, a service that cannot be reached, or the real one (only where the runner cannot
// change the machine it runs on). Every method call is traced, with its arguments and result.
#pragma once

#include "platform/adapters/adapters.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::scenario {

class ScriptedAdapters final : public platform::AdapterService {
public:
    using Sink = std::function<void(const std::string& line)>;
    // A method's result for one adapter: a code, or nothing when the call fails to run.
    using Result = std::optional<int>;

    explicit ScriptedAdapters(Sink sink) : sink_(std::move(sink)) {}

    void use_fakes(int count);
    void make_unreachable();
    // The real service, logging to `diagnostics`.
    void use_real(platform::Diagnostics& diagnostics);
    // Results per adapter in order for one method (EnableStatic, SetGateways or
    // SetDNSServerSearchOrder); adapters beyond the list return 0.
    void set_results(const std::string& method, std::vector<Result> results);

    std::vector<std::unique_ptr<platform::AdapterConfiguration>> ip_enabled_adapters() override;

    // The result the method gives the adapter at `position`, as scripted.
    Result scripted_result(const std::string& method, std::size_t position) const;
    void trace(const std::string& line) const { sink_(line); }

private:
    enum class Mode { fakes, unreachable, real };

    Sink sink_;
    Mode mode_ = Mode::fakes;
    int count_ = 1;
    std::map<std::string, std::vector<Result>, std::less<>> results_;
    std::unique_ptr<platform::AdapterService> real_;
};

// Whether this process may reconfigure real adapters: only where that cannot touch the machine
// the tests run on, or when ZELVORO_ALLOW_REAL_ADAPTERS=1 says so. `why_not` tells the refusal.
bool real_adapters_allowed(std::string& why_not);

// Linux: a network namespace of its own; Windows: Wine.
bool cannot_change_this_machine(std::string& why_not);

} // namespace zelvoro::scenario
