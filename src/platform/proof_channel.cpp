#include "platform/proof_channel.h"

namespace zelvoro::platform {

void ProofChannel::prove(const Neighbour& proof) {
    const std::lock_guard lock(mutex_);
    if (state_ == State::holding) {
        held_.push_back(proof);
    } else if (state_ == State::passing && !ended_) {
        sink_.proven(proof);
    }
}

void ProofChannel::end() {
    const std::lock_guard lock(mutex_);
    if (ended_) {
        return;
    }
    ended_ = true;
    if (state_ == State::passing) {
        sink_.ended();
    }
}

std::vector<Neighbour> ProofChannel::open() {
    const std::lock_guard lock(mutex_);
    if (state_ != State::holding) {
        return {};
    }
    state_ = State::passing;
    if (ended_) {
        sink_.ended();
    }
    return std::move(held_);
}

void ProofChannel::close() {
    const std::lock_guard lock(mutex_);
    state_ = State::closed;
}

} // namespace zelvoro::platform
