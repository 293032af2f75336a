#include "scripted_neighbours.h"

#include <algorithm>

namespace zelvoro::scenario {

// Proves the confirmations due by the sweep's end at once, and owes the others.
class ScriptedNeighbours::ScriptedWatch final : public platform::PresenceWatch {
public:
    ScriptedWatch(ScriptedNeighbours& service, std::vector<Confirmation> confirmations,
                  platform::PresenceSink sink)
        : service_(service), owed_(std::move(confirmations)), sink_(std::move(sink)) {
        std::stable_sort(owed_.begin(), owed_.end(), [](const auto& a, const auto& b) {
            return a.after_sweep < b.after_sweep;
        });
    }
    ScriptedWatch(const ScriptedWatch&) = delete;
    ScriptedWatch& operator=(const ScriptedWatch&) = delete;
    ~ScriptedWatch() override { std::erase(service_.owing_, this); }

    std::vector<platform::Neighbour> sweep_ended(std::span<const platform::Ipv4Address>) override {
        ended_at_ = service_.clock_.now();
        std::vector<platform::Neighbour> proven;
        while (!owed_.empty() && owed_.front().after_sweep.count() <= 0) {
            proven.push_back(owed_.front().device);
            owed_.erase(owed_.begin());
        }
        if (owed_.empty()) {
            sink_.ended();
        } else {
            service_.owing_.push_back(this);
        }
        return proven;
    }

    std::chrono::milliseconds next_due() const { return ended_at_ + owed_.front().after_sweep; }

    void hand_over_next() {
        const platform::Neighbour device = owed_.front().device;
        owed_.erase(owed_.begin());
        sink_.proven(device);
        if (owed_.empty()) {
            std::erase(service_.owing_, this);
            sink_.ended();
        }
    }

private:
    ScriptedNeighbours& service_;
    std::vector<Confirmation> owed_;
    platform::PresenceSink sink_;
    std::chrono::milliseconds ended_at_{0};
};

// The system's watch, counted as running until it ends or goes.
class ScriptedNeighbours::RealWatch final : public platform::PresenceWatch {
public:
    RealWatch(platform::NeighbourService& real, std::span<const platform::Ipv4Address> range,
              const platform::LateWindows& windows, platform::PresenceSink sink,
              std::shared_ptr<std::atomic<int>> running)
        : running_(std::move(running)) {
        ++*running_;
        auto ended = std::move(sink.ended);
        sink.ended = [ended = std::move(ended), done = done_, running = running_] {
            ended();
            if (!done->exchange(true)) {
                --*running;
            }
        };
        watch_ = real.watch(range, windows, std::move(sink));
    }
    ~RealWatch() override {
        watch_.reset();
        if (!done_->exchange(true)) {
            --*running_;
        }
    }

    std::vector<platform::Neighbour>
    sweep_ended(std::span<const platform::Ipv4Address> silent) override {
        return watch_->sweep_ended(silent);
    }

private:
    std::shared_ptr<std::atomic<int>> running_;
    std::shared_ptr<std::atomic<bool>> done_ = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<platform::PresenceWatch> watch_;
};

ScriptedNeighbours::ScriptedNeighbours(ScriptClock& clock) : clock_(clock) {}
ScriptedNeighbours::~ScriptedNeighbours() = default;

void ScriptedNeighbours::confirm(std::vector<Confirmation> confirmations) {
    real_.reset();
    confirmations_ = std::move(confirmations);
}

void ScriptedNeighbours::use_real(platform::Diagnostics& diagnostics) {
    real_ = platform::make_system_neighbour_service(diagnostics);
}

std::unique_ptr<platform::PresenceWatch>
ScriptedNeighbours::watch(std::span<const platform::Ipv4Address> range,
                          const platform::LateWindows& windows, platform::PresenceSink sink) {
    if (real_) {
        return std::make_unique<RealWatch>(*real_, range, windows, std::move(sink), real_running_);
    }
    return std::make_unique<ScriptedWatch>(*this, confirmations_, std::move(sink));
}

std::optional<std::chrono::milliseconds> ScriptedNeighbours::next_due() const {
    return earliest_due(owing_);
}

bool ScriptedNeighbours::hand_over_next() {
    return hand_over_earliest(clock_, owing_);
}

} // namespace zelvoro::scenario
