// How fast echo requests may go to addresses on a directly connected subnet. Each such request
// makes the kernel add a neighbour entry for its address, and the table of those entries is one
// for the whole machine, every network namespace included (Linux: gc_thresh3 entries, 1024 by
// default). An entry cannot be collected to make room while the kernel is still resolving its
// address, nor for a few seconds after it was last updated; a request that finds the table full
// is dropped, its address is reported silent, and the machine's own traffic fails with it. So a
// sweep keeps at most a quarter of the limit in entries it made within one holding time: the
// rest of the table stays free for everything else.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace zelvoro::platform {

class NeighbourPacing {
public:
    using Time = std::chrono::nanoseconds; // since any epoch, the same for every call

    NeighbourPacing(std::size_t table_limit, std::chrono::nanoseconds holding_time)
        : sent_(capacity_for(table_limit)), holding_time_(holding_time) {}

    // How many requests may be sent within one holding time.
    static std::size_t capacity_for(std::size_t table_limit) {
        return std::max<std::size_t>(table_limit / 4, 1);
    }
    std::size_t capacity() const { return sent_.size(); }
    std::chrono::nanoseconds holding_time() const { return holding_time_; }

    // The holding time never shrinks: an entry made earlier may be held as long as the longest.
    void hold_at_least(std::chrono::nanoseconds holding_time) {
        holding_time_ = std::max(holding_time_, holding_time);
    }

    // The earliest moment, `now` or later, at which the next request may be sent.
    Time next_allowed(Time now) const {
        if (count_ < sent_.size()) {
            return now;
        }
        return std::max(now, sent_[oldest_] + holding_time_);
    }

    // Notes a request sent at `at`, which is no earlier than next_allowed said.
    void sent(Time at) {
        if (count_ < sent_.size()) {
            sent_[(oldest_ + count_++) % sent_.size()] = at;
            return;
        }
        sent_[oldest_] = at;
        oldest_ = (oldest_ + 1) % sent_.size();
    }

private:
    std::vector<Time> sent_; // the latest `capacity` send times, oldest at oldest_
    std::size_t oldest_ = 0;
    std::size_t count_ = 0;
    std::chrono::nanoseconds holding_time_;
};

} // namespace zelvoro::platform
