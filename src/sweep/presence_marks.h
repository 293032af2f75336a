// The notes a sweep's items get as proofs of their devices come in, one proof at a time: the
// first proof of an address marks its item with the device's MAC; a silent item so marked warns
// that the address may be taken all the same.
//
// One device answering ARP for many silent addresses is most likely a router answering for the
// hosts behind it (proxy ARP), not a device on each address: once one MAC has answered for more
// than three silent addresses, every silent item it answered for gets a plain note instead of the
// warning, those warned about before included.
#pragma once

#include "platform/neighbours.h"
#include "sweep/sweep_plan.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::sweep {

// A device answering for more silent addresses than this answers for others.
constexpr std::size_t most_silent_addresses_per_device = 3;

enum class MarkKind {
    answering, // an answering item: its device's MAC
    present,   // a silent item whose device answered ARP: it may be taken all the same
    shared,    // a silent item answered for by a device that answers for several of them
};

struct ItemMark {
    bool silent = false; // which list: the silent one, or the answering one
    std::size_t index = 0;
    platform::MacAddress mac{};
    MarkKind kind = MarkKind::answering;

    friend bool operator==(const ItemMark&, const ItemMark&) = default;
};

class PresenceMarks {
public:
    explicit PresenceMarks(const SweepOutcome& outcome);

    // The marks `proof` sets or changes, in the order of the lists' items: nothing for an address
    // of neither list or one proven before.
    std::vector<ItemMark> prove(const platform::Neighbour& proof);

private:
    struct Item {
        bool silent = false;
        std::size_t index = 0;
        std::optional<platform::MacAddress> mac;
    };

    // Every silent item `mac` answered for, marked shared, in list order.
    std::vector<ItemMark> shared_marks(const platform::MacAddress& mac) const;

    std::map<platform::Ipv4Address, Item> items_;
    // The silent addresses each MAC answered for.
    std::map<platform::MacAddress, std::vector<platform::Ipv4Address>> silent_by_mac_;
};

} // namespace zelvoro::sweep
