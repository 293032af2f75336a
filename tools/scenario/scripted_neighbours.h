// The neighbour service of a scenario: chosen devices proven, each a chosen time after the
// sweep's end (none by default), under the script's own clock; or the real service.
//
// The script's clock stands still until `settle` lets it run: every watch that is still running
// then gets its confirmations in the order of their times, as if that time had passed.
#pragma once

#include "platform/neighbours.h"
#include "script_clock.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace zelvoro::scenario {

class ScriptedNeighbours final : public platform::NeighbourService {
public:
    struct Confirmation {
        platform::Neighbour device;
        std::chrono::milliseconds after_sweep{0};
    };

    explicit ScriptedNeighbours(ScriptClock& clock);
    ~ScriptedNeighbours() override;

    // For the sweeps from now on.
    void confirm(std::vector<Confirmation> confirmations);
    // The system's service, logging to `diagnostics`.
    void use_real(platform::Diagnostics& diagnostics);

    std::unique_ptr<platform::PresenceWatch> watch(std::span<const platform::Ipv4Address> range,
                                                   const platform::LateWindows& windows,
                                                   platform::PresenceSink sink) override;

    // When the earliest confirmation a running watch still owes is due; nothing when none is.
    std::optional<std::chrono::milliseconds> next_due() const;
    // Lets the script's clock run up to the earliest confirmation a running watch still owes,
    // and hands it over; false when none is owed.
    bool hand_over_next();
    // Whether a watch of the real service is still running (it ends by itself).
    bool real_watch_running() const { return *real_running_ > 0; }

private:
    class ScriptedWatch;
    class RealWatch;

    std::vector<Confirmation> confirmations_;
    std::unique_ptr<platform::NeighbourService> real_;
    std::vector<ScriptedWatch*> owing_;
    ScriptClock& clock_;
    std::shared_ptr<std::atomic<int>> real_running_ = std::make_shared<std::atomic<int>>(0);
};

} // namespace zelvoro::scenario
