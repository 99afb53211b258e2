#pragma once
// The threads that copy file data behind the walk. They run only the copy's system calls on
// entries the walk has prepared and hand back error numbers and the source's length; the
// decisions, the counters and the texts stay with the walk.
//
// Each thread copies one file at a time, 8 MiB per call at most: with at most 8 threads, a
// few tens of MiB are being copied at once. While the threads are busy, the walk hands its
// files over a few at a time, so that handing over costs little beside a small file's copy.

#include "vb/FileSystem.h"
#include "vb/Folder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Module7 {

struct CopyOutcome {
    std::int32_t copyError = 0;   // the runtime's number of the copy's failure, 0 for none
    std::int32_t lengthError = 0; // that of reading the source's length after the copy
    std::int64_t length = 0;
};

// The last-write times of one entry in a source folder and its destination folder.
struct EntryDates {
    std::optional<vb::FileTime> copy; // none when it cannot be read
    bool copyIsLink = false;          // then `copy` is not read: a link may lead anywhere
    std::optional<vb::FileTime> original;
};

// The dates of a run of entries, read by whoever comes first: a thread that takes the
// reading, from the last entry back, or the walk, from the first on, when it needs an
// entry's dates before a thread has read them. The walk never waits for a thread to start.
class DateReading {
public:
    DateReading(std::shared_ptr<const vb::Folder> from, std::shared_ptr<const vb::Folder> to,
                std::vector<std::string> names);

    // By a thread: reads the dates of the names nobody has read yet.
    void Read();
    // By the walk: the dates of name `i`, read by `readHere` unless a thread has read them
    // or is reading them.
    EntryDates Take(std::size_t i, const std::function<EntryDates()>& readHere);
    std::size_t size() const { return names_.size(); }

private:
    const std::shared_ptr<const vb::Folder> from_;
    const std::shared_ptr<const vb::Folder> to_;
    const std::vector<std::string> names_;
    std::vector<EntryDates> dates_;
    std::unique_ptr<std::atomic<std::uint8_t>[]> state_; // unread, taken, read
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
    // Has the dates of `names` in both folders read by a thread, when there is one.
    std::shared_ptr<DateReading> ReadDates(std::shared_ptr<const vb::Folder> from,
                                           std::shared_ptr<const vb::Folder> to,
                                           std::vector<std::string> names);

    static bool Done(const Ticket& ticket);
    // Waits for the copy to end.
    static const CopyOutcome& Outcome(const Ticket& ticket);
    // Makes the copy again, in the calling thread.
    static CopyOutcome CopyAgain(const Ticket& ticket);

    // The CPUs this process may run on, at most 8; none when it has only one.
    static unsigned DefaultThreads();

private:
    struct Task {
        Ticket copy;
        std::weak_ptr<DateReading> dates; // not kept once the walk is past it
    };

    void Work();
    void Queue(std::vector<Task> tasks);

    std::vector<Ticket> open_; // submitted, not yet handed over
    std::mutex mutex_;
    std::condition_variable work_;
    std::deque<Task> queue_;              // handed over, not started
    std::atomic<std::size_t> waiting_{0}; // its length, read unlocked
    unsigned idle_ = 0;                   // threads asleep
    unsigned watching_ = 0;               // threads watching for work
    bool stopping_ = false;
    std::vector<std::jthread> threads_;
};

} // namespace Module7
