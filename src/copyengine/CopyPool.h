#pragma once
// The threads that copy file data behind the walk. They run only the copy's system calls on
// entries the walk has prepared and hand back error numbers and the source's length; the
// decisions, the counters and the texts stay with the walk.
//
// Each thread copies one file at a time, 8 MiB per call at most: with at most 8 threads, a
// few tens of MiB are being copied at once. While the threads are busy, the walk hands its
// files over a few at a time, so that handing over costs little beside a small file's copy.

#include "vb/Folder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Module7 {

struct CopyOutcome {
    std::int32_t copyError = 0;   // the runtime's number of the copy's failure, 0 for none
    std::int32_t lengthError = 0; // that of reading the source's length after the copy
    std::int64_t length = 0;
};

class CopyJob;

class CopyPool {
public:
    // `threads` threads; with none, each copy runs at once in the thread that submits it.
    explicit CopyPool(unsigned threads);
    ~CopyPool();
    CopyPool(const CopyPool&) = delete;
    CopyPool& operator=(const CopyPool&) = delete;

    unsigned threads() const { return static_cast<unsigned>(threads_.size()); }

    using Ticket = std::shared_ptr<CopyJob>;
    // Copies the entry `name` of `from` to the same name in `to`.
    Ticket Submit(std::shared_ptr<const vb::Folder> from, std::shared_ptr<const vb::Folder> to,
                  std::string name);
    // Hands over the files submitted and not yet handed over.
    void HandOver();

    static bool Done(const Ticket& ticket);
    // Waits for the copy to end.
    static const CopyOutcome& Outcome(const Ticket& ticket);

    // The CPUs this process may run on, at most 8; none when it has only one.
    static unsigned DefaultThreads();

private:
    void Work();

    std::vector<Ticket> open_; // submitted, not yet handed over
    std::mutex mutex_;
    std::condition_variable work_;
    std::deque<Ticket> queue_;            // handed over, not started
    std::atomic<std::size_t> waiting_{0}; // its length, read unlocked
    unsigned idle_ = 0;                   // threads asleep
    unsigned watching_ = 0;               // threads watching for work
    bool stopping_ = false;
    std::vector<std::jthread> threads_;
};

} // namespace Module7
