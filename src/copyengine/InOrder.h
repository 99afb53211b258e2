#pragma once
// The steps by which the walk shows what it did (captions, counters, lists, the error log,
// window messages), taken in the walk's order: a step that takes a copy's outcome waits for
// that copy, and every step after it waits too. A step that nothing holds back runs at once.

#include "copyengine/CopyPool.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <utility>

namespace Module7 {

class InOrder {
public:
    template <typename Step> void Then(Step&& step) {
        if (steps_.empty()) {
            step();
        } else {
            steps_.push_back({nullptr, std::forward<Step>(step)});
        }
    }

    // `step` takes the outcome of the copy `ticket`.
    template <typename Step> void After(CopyPool::Ticket ticket, Step&& step) {
        if (steps_.empty() && CopyPool::Done(ticket)) {
            step(CopyPool::Outcome(ticket));
        } else {
            steps_.push_back({ticket, [ticket, step = std::forward<Step>(step)] {
                                  step(CopyPool::Outcome(ticket));
                              }});
        }
    }

    // Runs the steps at the head whose copies have ended.
    void Poll() {
        while (!steps_.empty() &&
               (steps_.front().copy == nullptr || CopyPool::Done(steps_.front().copy))) {
            RunFirst();
        }
    }
    // Runs the first step, waiting for its copy.
    void RunFirst() {
        const Step step = std::move(steps_.front());
        steps_.pop_front();
        step.run();
    }
    void Drain() {
        while (!steps_.empty()) {
            RunFirst();
        }
    }
    std::size_t waiting() const { return steps_.size(); }

private:
    struct Step {
        CopyPool::Ticket copy;
        std::function<void()> run;
    };
    std::deque<Step> steps_;
};

} // namespace Module7
