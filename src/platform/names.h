// Host names of addresses, from three sources asked side by side: reverse DNS through the
// system resolver, an mDNS reverse query to the link's multicast group, and a NetBIOS node
// status request. No privilege is needed: the queries leave from an ordinary UDP socket.
#pragma once

#include "platform/ipv4_address.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform {

enum class NameSource { dns, mdns, netbios };

// "DNS", "mDNS", "NetBIOS".
std::string_view source_text(NameSource source);

struct FoundName {
    Ipv4Address address;
    std::string name; // fit to be shown (platform/host_name.h)
    NameSource source = NameSource::dns;

    friend bool operator==(const FoundName&, const FoundName&) = default;
};

// An address asked through the link-local protocols (mDNS, NetBIOS), which reach only the
// machine's own subnets: `via` is this machine's address on the subnet, whose interface the
// multicast query leaves through.
struct LinkTarget {
    Ipv4Address address;
    Ipv4Address via;

    friend bool operator==(const LinkTarget&, const LinkTarget&) = default;
};

struct NameQueries {
    std::vector<Ipv4Address> reverse_dns;
    std::vector<LinkTarget> link_local;
};

// How long a lookup may take, whatever the network does: under 2 s, leaving room for its
// threads to wind down and its last names to be handed over inside them.
constexpr std::chrono::milliseconds name_lookup_limit{1950};
// How many reverse lookups the system resolver is given at a time.
constexpr std::size_t reverse_lookups_at_once = 16;

// Called with each name as it arrives, on one of the lookup's own threads (never the thread that
// started it), one call at a time. It must not cancel or wait for its own lookup, and should
// return soon: a lookup that ends waits for a call in progress.
using NameSink = std::function<void(const FoundName&)>;

// A lookup under way.
class NameLookup {
public:
    virtual ~NameLookup() = default; // ends the lookup as cancel() does
    // Ends the lookup: once this returns, the sink is not called again and has been destroyed.
    // Resolver calls under way are left to finish on their own threads, unheard.
    virtual void cancel() = 0;
    // Waits until every query has its answer or the lookup's time is up, then ends it as
    // cancel() does. mDNS and NetBIOS queries count as answered only by a name, so a lookup
    // with link-local targets that stay silent takes its whole time. True when every query had
    // its answer (before the time was up, and before any cancel).
    virtual bool wait() = 0;
    // Asks about more addresses within the lookup's time, as look_up does; an address asked
    // before (by the same source) is not asked again. Nothing once the lookup has ended.
    virtual void add(NameQueries queries) = 0;
};

class NameService {
public:
    virtual ~NameService() = default;
    // Starts every query at once, off the calling thread: a reverse lookup of each address of
    // `reverse_dns` (at most reverse_lookups_at_once at a time), and for each link target one
    // mDNS reverse query to the group (asking for a unicast answer) and one NetBIOS node status
    // request to the address itself. Each name found goes to `sink` (at most one per address
    // and source, and only for addresses that were asked about); none arrives later than
    // `limit` after the call.
    virtual std::unique_ptr<NameLookup> look_up(NameQueries queries,
                                                std::chrono::milliseconds limit, NameSink sink) = 0;
};

// Linux: getnameinfo and a BSD socket; Windows: GetNameInfoW and a Winsock socket.
std::unique_ptr<NameService> make_system_name_service();

} // namespace zelvoro::platform
