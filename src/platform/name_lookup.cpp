#include "platform/name_lookup.h"

#include "platform/host_name.h"
#include "platform/mdns_packet.h"
#include "platform/netbios_packet.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <random>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

namespace zelvoro::platform {

namespace {

using Clock = std::chrono::steady_clock;

// How soon the thread that waits for replies notices that its lookup has ended.
constexpr std::chrono::milliseconds receive_slice{50};
// Each link target asks two sources.
constexpr std::size_t link_sources = 2;

// What the lookup's threads share with its handle.
class LookupState {
public:
    LookupState(Clock::time_point deadline, NameSink sink)
        : deadline_(deadline), sink_(std::move(sink)) {}

    // Takes the queries not asked before, counting them as pending; what is left for the caller
    // to start: the reverse lookups' new workers, and the new link targets. Nothing once the
    // lookup has ended.
    struct Added {
        std::size_t reverse_workers = 0;
        std::vector<LinkTarget> link_local;
    };
    Added add(NameQueries queries) {
        const std::lock_guard lock(mutex_);
        Added added;
        if (!running()) {
            return added;
        }
        for (const Ipv4Address& address : queries.reverse_dns) {
            if (reverse_asked_.insert(address).second) {
                reverse_queue_.push_back(address);
                ++pending_;
            }
        }
        for (const LinkTarget& target : queries.link_local) {
            if (link_asked_.insert(target.address).second) {
                added.link_local.push_back(target);
                pending_ += link_sources;
            }
        }
        added.reverse_workers =
            std::min(reverse_queue_.size(), reverse_lookups_at_once - reverse_workers_);
        reverse_workers_ += added.reverse_workers;
        return added;
    }

    // A worker that could not be started.
    void worker_missing() {
        const std::lock_guard lock(mutex_);
        --reverse_workers_;
    }

    // The next address to look up; nothing once the queue is empty or the lookup has ended,
    // and the worker that asked stops.
    std::optional<Ipv4Address> next_reverse() {
        const std::lock_guard lock(mutex_);
        if (reverse_queue_.empty() || !running()) {
            --reverse_workers_;
            return std::nullopt;
        }
        const Ipv4Address next = reverse_queue_.front();
        reverse_queue_.pop_front();
        return next;
    }

    // How much of the lookup's time is left; nothing once it has ended or nothing is left to
    // wait for.
    std::optional<std::chrono::milliseconds> time_left() {
        const std::lock_guard lock(mutex_);
        if (!running() || pending_ == 0) {
            return std::nullopt;
        }
        return std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
    }

    // Counts `count` queries as answered.
    void answered(std::size_t count = 1) {
        {
            const std::lock_guard lock(mutex_);
            pending_ -= std::min(count, pending_);
        }
        changed_.notify_all();
    }

    // Hands the name to the sink unless the lookup has ended or the address has a name from
    // this source already; true when it was handed on.
    bool deliver(const FoundName& found) {
        const std::lock_guard sink_lock(sink_mutex_);
        {
            const std::lock_guard lock(mutex_);
            if (!running() || !delivered_.emplace(found.address, found.source).second) {
                return false;
            }
        }
        sink_(found);
        return true;
    }

    bool wait() {
        bool answered = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait_until(lock, deadline_, [&] { return ended_ || pending_ == 0; });
            answered = !ended_ && pending_ == 0;
        }
        end();
        return answered;
    }

    void end() {
        NameSink ended_sink;
        {
            const std::lock_guard sink_lock(sink_mutex_);
            const std::lock_guard lock(mutex_);
            ended_ = true;
            ended_sink.swap(sink_);
        }
        changed_.notify_all();
    } // the sink goes here, on the thread that ended the lookup

private:
    bool running() const { return !ended_ && Clock::now() < deadline_; }

    const Clock::time_point deadline_;
    std::mutex sink_mutex_; // held while the sink runs; taken before mutex_
    std::mutex mutex_;      // guards what follows
    std::condition_variable changed_;
    bool ended_ = false;
    std::deque<Ipv4Address> reverse_queue_;
    std::set<Ipv4Address> reverse_asked_;
    std::set<Ipv4Address> link_asked_;
    std::size_t reverse_workers_ = 0; // at most reverse_lookups_at_once
    std::size_t pending_ = 0;
    std::set<std::pair<Ipv4Address, NameSource>> delivered_;
    NameSink sink_;
};

void look_up_reverse(LookupState& state, NameSystem& system) {
    while (const auto address = state.next_reverse()) {
        const auto name = system.reverse_name(*address);
        if (const auto shown = name ? shown_host_name(*name) : std::nullopt) {
            state.deliver(FoundName{*address, *shown, NameSource::dns});
        }
        state.answered();
    }
}

std::uint16_t query_id() {
    try {
        return static_cast<std::uint16_t>(std::random_device{}());
    } catch (const std::exception&) {
        return static_cast<std::uint16_t>(Clock::now().time_since_epoch().count());
    }
}

// The name a reply carries, when it answers one of our queries about an address we asked.
std::optional<FoundName> name_in(const Datagram& datagram, std::uint16_t id,
                                 const std::set<Ipv4Address>& asked) {
    if (datagram.port == mdns::port) {
        const auto answer = mdns::decode_reverse_answer(datagram.bytes);
        if (answer && answer->id == id && asked.contains(answer->address)) {
            return FoundName{answer->address, answer->name, NameSource::mdns};
        }
    } else if (datagram.port == netbios::port) {
        const auto node = netbios::decode_node_status(datagram.bytes);
        if (node && node->id == id && asked.contains(datagram.from)) {
            return FoundName{datagram.from, node->name, NameSource::netbios};
        }
    }
    return std::nullopt;
}

void look_up_on_link(LookupState& state, NameSystem& system,
                     const std::vector<LinkTarget>& targets) {
    const auto socket = system.open_socket();
    if (!socket) {
        state.answered(link_sources * targets.size());
        return;
    }
    const std::uint16_t id = query_id();
    std::set<Ipv4Address> asked;
    for (const LinkTarget& target : targets) {
        asked.insert(target.address);
        if (!socket->send(mdns::group, mdns::port, mdns::encode_reverse_query(id, target.address),
                          target.via)) {
            state.answered();
        }
        if (!socket->send(target.address, netbios::port, netbios::encode_node_status_request(id),
                          target.via)) {
            state.answered();
        }
    }
    while (const auto left = state.time_left()) {
        const auto datagram = socket->receive(std::min(*left, receive_slice));
        const auto found = datagram ? name_in(*datagram, id, asked) : std::nullopt;
        if (found && state.deliver(*found)) {
            state.answered();
        }
    }
}

// A thread that runs on by itself; false when none could be started. When none can be, or its
// work fails (memory runs out), its queries stay unanswered until the lookup's time is up: names
// go missing, nothing else.
template <typename Work> bool start_detached(Work work) {
    try {
        std::thread([work = std::move(work)] {
            try {
                work();
            } catch (...) {
            }
        }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

// Starts the threads for what `state` took of `queries`.
void start_queries(const std::shared_ptr<LookupState>& state,
                   const std::shared_ptr<NameSystem>& system, NameQueries queries) {
    auto added = state->add(std::move(queries));
    for (std::size_t i = 0; i < added.reverse_workers; ++i) {
        if (!start_detached([state, system] { look_up_reverse(*state, *system); })) {
            state->worker_missing();
        }
    }
    if (!added.link_local.empty()) {
        start_detached([state, system, links = std::move(added.link_local)] {
            look_up_on_link(*state, *system, links);
        });
    }
}

class Lookup final : public NameLookup {
public:
    Lookup(std::shared_ptr<LookupState> state, std::shared_ptr<NameSystem> system)
        : state_(std::move(state)), system_(std::move(system)) {}
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;
    ~Lookup() override { state_->end(); }

    void cancel() override { state_->end(); }
    bool wait() override { return state_->wait(); }
    void add(NameQueries queries) override { start_queries(state_, system_, std::move(queries)); }

private:
    std::shared_ptr<LookupState> state_;
    std::shared_ptr<NameSystem> system_;
};

class ThreadedNameService final : public NameService {
public:
    explicit ThreadedNameService(std::shared_ptr<NameSystem> system) : system_(std::move(system)) {}

    std::unique_ptr<NameLookup> look_up(NameQueries queries, std::chrono::milliseconds limit,
                                        NameSink sink) override {
        auto state = std::make_shared<LookupState>(Clock::now() + limit, std::move(sink));
        start_queries(state, system_, std::move(queries));
        return std::make_unique<Lookup>(std::move(state), system_);
    }

private:
    std::shared_ptr<NameSystem> system_;
};

} // namespace

std::string_view source_text(NameSource source) {
    switch (source) {
    case NameSource::mdns:
        return "mDNS";
    case NameSource::netbios:
        return "NetBIOS";
    case NameSource::dns:
        break;
    }
    return "DNS";
}

std::unique_ptr<NameService> name_service_over(std::shared_ptr<NameSystem> system) {
    return std::make_unique<ThreadedNameService>(std::move(system));
}

} // namespace zelvoro::platform
