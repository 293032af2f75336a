#include "sweep/presence_stage.h"

#include <optional>
#include <utility>
#include <vector>

namespace zelvoro::sweep {

namespace {

std::vector<platform::Ipv4Address> silent_addresses(const SweepOutcome& outcome) {
    std::vector<platform::Ipv4Address> addresses;
    for (const SweepVerdict& item : outcome.silent) {
        addresses.push_back(item.address);
    }
    return addresses;
}

} // namespace

// What the stage has seen, on the owner's thread only.
struct PresenceStage::Marking {
    explicit Marking(PresenceOwner owner) : owner(std::move(owner)) {}

    void prove(const platform::Neighbour& proof) {
        if (!marks) {
            early.push_back(proof);
            return;
        }
        for (const ItemMark& mark : marks->prove(proof)) {
            owner.mark(mark);
        }
    }

    void end() {
        if (!marks) {
            end_came_early = true;
        } else if (!std::exchange(ended, true) && owner.ended) {
            owner.ended();
        }
    }

    void sweep_ended(const SweepOutcome& outcome, const std::vector<platform::Neighbour>& proven) {
        marks.emplace(outcome);
        for (const platform::Neighbour& proof : proven) {
            prove(proof);
        }
        for (const platform::Neighbour& proof : std::exchange(early, {})) {
            prove(proof);
        }
        if (end_came_early) {
            end();
        }
    }

    PresenceOwner owner;
    std::optional<PresenceMarks> marks; // from the sweep's end on
    std::vector<platform::Neighbour> early;
    bool end_came_early = false;
    bool ended = false;
};

PresenceStage::PresenceStage(platform::NeighbourService& service,
                             std::span<const SweepTarget> targets,
                             const platform::LateWindows& windows, PresenceOwner owner)
    : marking_(std::make_shared<Marking>(std::move(owner))) {
    const std::weak_ptr<Marking> marking = marking_;
    const auto post = marking_->owner.post;
    platform::PresenceSink sink{
        [marking, post](const platform::Neighbour& proof) {
            post_to(post, marking, [proof](Marking& alive) { alive.prove(proof); });
        },
        [marking, post] { post_to(post, marking, [](Marking& alive) { alive.end(); }); }};
    watch_ = service.watch(target_addresses(targets), windows, std::move(sink));
}

// The watch goes first: once it has, nothing more is posted.
PresenceStage::~PresenceStage() {
    watch_.reset();
}

void PresenceStage::sweep_ended(const SweepOutcome& outcome) {
    const auto silent = silent_addresses(outcome);
    marking_->sweep_ended(outcome, watch_->sweep_ended(silent));
}

bool PresenceStage::ended() const {
    return marking_->ended;
}

} // namespace zelvoro::sweep
