// The name stage of one sweep: it begins once the lists hold the sweep's verdicts, asks about
// every answering address and every silent one the presence stage marks (one marked later is
// asked as its mark arrives, within the stage's time), and hands each item's names to its owner
// as they arrive. Names reach the owner only on the owner's thread (through the owner's `post`).
// Destroying the stage ends it: no name of it arrives after that, not even one already on its
// way, so a stage never names the items of a later sweep.
#pragma once

#include "platform/address_table.h"
#include "platform/names.h"
#include "sweep/owner_post.h"
#include "sweep/sweep_plan.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace zelvoro::sweep {

struct ItemNames {
    bool silent = false; // which list: the silent one, or the answering one
    std::size_t index = 0;
    std::vector<platform::FoundName> names; // every name of the item found so far

    friend bool operator==(const ItemNames&, const ItemNames&) = default;
};

struct NameOwner {
    OwnerPost post;
    // On the owner's thread: an item with a name more.
    std::function<void(const ItemNames&)> named;
};

class NameStage {
public:
    // On the owner's thread, once the lists hold `outcome`: asks about its answering addresses
    // and the silent items of `marked_silent` (indexes of the silent list); `local` are the
    // machine's addresses (plan_name_queries).
    NameStage(platform::NameService& service, const SweepOutcome& outcome,
              std::span<const std::size_t> marked_silent, std::vector<platform::LocalAddress> local,
              NameOwner owner);
    ~NameStage();
    NameStage(const NameStage&) = delete;
    NameStage& operator=(const NameStage&) = delete;

    // On the owner's thread: a silent item the presence stage marked since.
    void marked(std::size_t silent_index);

private:
    struct Naming;

    std::vector<platform::Ipv4Address> silent_;
    std::vector<platform::LocalAddress> local_;
    std::shared_ptr<Naming> naming_; // the tasks on their way hold it weakly
    std::unique_ptr<platform::NameLookup> lookup_;
};

} // namespace zelvoro::sweep
