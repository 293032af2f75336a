// From the threads of a presence watch to its sink: proofs found before the sweep ended are
// held back for sweep_ended to return, later ones are passed on as they come, and the end is
// passed on once, never before the sweep ended. Once closed nothing passes any more, and no call
// into the sink is under way when close returns.
#pragma once

#include "platform/neighbours.h"

#include <mutex>
#include <vector>

namespace zelvoro::platform {

class ProofChannel {
public:
    explicit ProofChannel(PresenceSink sink) : sink_(std::move(sink)) {}

    // Any thread.
    void prove(const Neighbour& proof);
    void end();
    // The sweep ended: what was held back; from now on proofs pass on (and the end, if it came).
    std::vector<Neighbour> open();
    void close();

private:
    enum class State { holding, passing, closed };

    std::mutex mutex_;
    PresenceSink sink_;
    State state_ = State::holding;
    std::vector<Neighbour> held_;
    bool ended_ = false;
};

} // namespace zelvoro::platform
