// The presence stage of one sweep: it begins before the sweep's first echo request, runs beside
// the sweep, outlives it by a bounded window, and hands each mark to its owner as soon as it is
// proven. Marks reach the owner only on the owner's thread (through the owner's `post`), and only
// after the owner said the sweep ended. Destroying the stage ends it: no mark of it arrives after
// that, not even one already on its way, so a stage never marks the lists of a later sweep.
#pragma once

#include "platform/neighbours.h"
#include "sweep/owner_post.h"
#include "sweep/presence_marks.h"
#include "sweep/sweep_plan.h"

#include <functional>
#include <memory>
#include <span>

namespace zelvoro::sweep {

struct PresenceOwner {
    OwnerPost post;
    // On the owner's thread: an item's note to set or change.
    std::function<void(const ItemMark&)> mark;
    // On the owner's thread, once: the stage is final (may be empty).
    std::function<void()> ended;
};

class PresenceStage {
public:
    // Begins watching the addresses of `targets`.
    PresenceStage(platform::NeighbourService& service, std::span<const SweepTarget> targets,
                  const platform::LateWindows& windows, PresenceOwner owner);
    ~PresenceStage();
    PresenceStage(const PresenceStage&) = delete;
    PresenceStage& operator=(const PresenceStage&) = delete;

    // On the owner's thread, once the lists hold `outcome`: marks what is proven by now at once,
    // the rest as it is proven.
    void sweep_ended(const SweepOutcome& outcome);
    bool ended() const;

private:
    struct Marking;

    std::shared_ptr<Marking> marking_; // the tasks on their way hold it weakly
    std::unique_ptr<platform::PresenceWatch> watch_;
};

} // namespace zelvoro::sweep
