#include "sweep/name_stage.h"

#include "sweep/names.h"

#include <map>
#include <utility>

namespace zelvoro::sweep {

// The names found so far, on the owner's thread only.
struct NameStage::Naming {
    Naming(const SweepOutcome& outcome, NameOwner owner) : owner(std::move(owner)) {
        for (std::size_t index = 0; index < outcome.answering.size(); ++index) {
            items.emplace(outcome.answering[index].address, ItemNames{false, index, {}});
        }
        for (std::size_t index = 0; index < outcome.silent.size(); ++index) {
            items.emplace(outcome.silent[index].address, ItemNames{true, index, {}});
        }
    }

    void found(const platform::FoundName& name) {
        const auto item = items.find(name.address);
        if (item != items.end()) {
            item->second.names.push_back(name);
            owner.named(item->second);
        }
    }

    NameOwner owner;
    std::map<platform::Ipv4Address, ItemNames> items;
};

NameStage::NameStage(platform::NameService& service, const SweepOutcome& outcome,
                     std::span<const std::size_t> marked_silent,
                     std::vector<platform::LocalAddress> local, NameOwner owner)
    : local_(std::move(local)), naming_(std::make_shared<Naming>(outcome, std::move(owner))) {
    for (const SweepVerdict& verdict : outcome.silent) {
        silent_.push_back(verdict.address);
    }
    std::vector<platform::Ipv4Address> asked;
    for (const SweepVerdict& verdict : outcome.answering) {
        asked.push_back(verdict.address);
    }
    for (const std::size_t index : marked_silent) {
        if (index < silent_.size()) {
            asked.push_back(silent_[index]);
        }
    }
    const std::weak_ptr<Naming> naming = naming_;
    lookup_ =
        service.look_up(plan_name_queries(asked, local_), platform::name_lookup_limit,
                        [naming, post = naming_->owner.post](const platform::FoundName& name) {
                            post_to(post, naming, [name](Naming& alive) { alive.found(name); });
                        });
}

// The lookup goes first: once it has, nothing more is posted.
NameStage::~NameStage() {
    lookup_.reset();
}

void NameStage::marked(std::size_t silent_index) {
    if (silent_index < silent_.size()) {
        const platform::Ipv4Address address = silent_[silent_index];
        lookup_->add(plan_name_queries(std::span(&address, 1), local_));
    }
}

} // namespace zelvoro::sweep
