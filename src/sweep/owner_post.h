// Work off the owner's thread (a stage's watches and lookups) reaches an object of the owner's
// only through the owner's `post`, and only while that object lives: a task posted for an object
// that is gone by the time it runs does nothing. So a stage that was ended changes nothing more,
// not even with what it had already posted.
#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace zelvoro::sweep {

// Runs a task on the owner's thread later; any thread calls it.
using OwnerPost = std::function<void(std::function<void()>)>;

// Posts `task`, run with `receiver` on the owner's thread unless the receiver is gone by then.
template <typename Receiver, typename Task>
void post_to(const OwnerPost& post, std::weak_ptr<Receiver> receiver, Task task) {
    post([receiver = std::move(receiver), task = std::move(task)]() mutable {
        if (const auto alive = receiver.lock()) {
            task(*alive);
        }
    });
}

} // namespace zelvoro::sweep
