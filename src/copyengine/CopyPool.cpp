#include "copyengine/CopyPool.h"

#include "vb/Error.h"
#include "vb/FileCopier.h"
#include "vb/SignalsBlocked.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <sched.h>
#include <system_error>

namespace Module7 {

namespace {

constexpr unsigned kMostThreads = 8;
constexpr std::size_t kHandOverFiles = 4;
// How long a thread with nothing to do watches for more, and how long the walk watches for
// the end of a copy, before either sleeps: waking a sleeping thread costs a system call on
// both sides, and on some machines more than a small file's copy.
constexpr std::chrono::microseconds kWatchForWork{200};
constexpr std::chrono::microseconds kWatchForEnd{20};

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    __asm__ __volatile__("yield");
#endif
}

// Watches `ready` for up to `limit`; its last answer.
template <typename Ready> bool WatchFor(std::chrono::microseconds limit, Ready ready) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (unsigned i = 1; !ready(); ++i) {
        CpuRelax();
        if (i % 64 == 0 && std::chrono::steady_clock::now() >= until) {
            return ready();
        }
    }
    return true;
}

// Runs one step of a copy; the runtime's number of its failure, 0 when it succeeded.
template <typename Step> std::int32_t NumberOf(Step&& step) {
    try {
        std::forward<Step>(step)();
        return 0;
    } catch (const vb::Error& e) {
        return e.number();
    } catch (const std::bad_alloc&) {
        return vb::err::OutOfMemory;
    }
}

} // namespace

namespace {
constexpr std::uint8_t kUnread = 0;
constexpr std::uint8_t kTaken = 1;
constexpr std::uint8_t kRead = 2;
} // namespace

DateReading::DateReading(std::shared_ptr<const vb::Folder> from,
                         std::shared_ptr<const vb::Folder> to, std::vector<std::string> names)
    : from_(std::move(from)), to_(std::move(to)), names_(std::move(names)), dates_(names_.size()),
      state_(std::make_unique<std::atomic<std::uint8_t>[]>(names_.size())) {}

void DateReading::Read() {
    for (std::size_t i = names_.size(); i-- > 0;) {
        std::uint8_t unread = kUnread;
        if (!state_[i].compare_exchange_strong(unread, kTaken)) {
            return; // the walk has come this far
        }
        EntryDates& d = dates_[i];
        try {
            d.copy = vb::OwnDateTime(*to_, names_[i]);
            d.copyIsLink = !d.copy;
            if (d.copy) {
                d.original = vb::FileDateTime(*from_, names_[i]);
            }
        } catch (const vb::Error&) {
            // A date that cannot be read stays empty.
        }
        state_[i].store(kRead, std::memory_order_release);
    }
}

EntryDates DateReading::Take(std::size_t i, const std::function<EntryDates()>& readHere) {
    std::uint8_t unread = kUnread;
    if (state_[i].compare_exchange_strong(unread, kTaken)) {
        return readHere();
    }
    while (state_[i].load(std::memory_order_acquire) != kRead) {
        CpuRelax();
    }
    return dates_[i];
}

class CopyJob {
public:
    CopyJob(CopyPool& pool, std::shared_ptr<const vb::Folder> from,
            std::shared_ptr<const vb::Folder> to, std::string name)
        : pool(pool), from(std::move(from)), to(std::move(to)), name(std::move(name)) {}

    // The copy, then the source's length read after it, as the walk would read it after a
    // copy of its own: from the file copied when it could be opened.
    void Run() {
        std::optional<vb::FileCopier> copy;
        outcome.copyError = NumberOf([&] {
            copy.emplace(vb::FileCopier::Start(*from, name, *to, name));
            copy->CopyData();
            copy->Finish();
        });
        outcome.lengthError = NumberOf(
            [&] { outcome.length = copy ? copy->SourceLength() : vb::FileLen(*from, name); });
        copy.reset();
        done_.store(true);
        if (awaited_.load()) {
            done_.notify_all();
        }
    }

    bool Done() const { return done_.load(std::memory_order_acquire); }

    void Wait() {
        if (!WatchFor(kWatchForEnd, [&] { return Done(); })) {
            awaited_.store(true);
            done_.wait(false);
        }
    }

    CopyPool& pool;
    const std::shared_ptr<const vb::Folder> from;
    const std::shared_ptr<const vb::Folder> to;
    const std::string name;
    bool handedOver = false; // by the walk
    CopyOutcome outcome;

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> awaited_{false}; // the walk sleeps until `done_`
};

CopyPool::CopyPool(unsigned threads) {
    const vb::SignalsBlocked blocked; // the threads that copy start with every signal blocked
    for (unsigned i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break; // fewer threads, or none: the copies then run in the walk's thread
        }
    }
}

CopyPool::~CopyPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
}

unsigned CopyPool::DefaultThreads() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) != 0) {
        return 0;
    }
    const auto count = static_cast<unsigned>(CPU_COUNT(&cpus));
    return count <= 1 ? 0 : std::min(count, kMostThreads);
}

CopyPool::Ticket CopyPool::Submit(std::shared_ptr<const vb::Folder> from,
                                  std::shared_ptr<const vb::Folder> to, std::string name) {
    auto job = std::make_shared<CopyJob>(*this, std::move(from), std::move(to), std::move(name));
    if (threads_.empty()) {
        job->handedOver = true;
        job->Run();
        return job;
    }
    open_.push_back(job);
    // While the threads have files waiting, a few more go with the next hand-over.
    if (open_.size() >= kHandOverFiles || waiting_.load(std::memory_order_relaxed) == 0) {
        HandOver();
    }
    return job;
}

void CopyPool::HandOver() {
    if (open_.empty()) {
        return;
    }
    std::vector<Task> tasks;
    tasks.reserve(open_.size());
    for (Ticket& job : open_) {
        job->handedOver = true;
        tasks.push_back({std::move(job), {}});
    }
    open_.clear();
    Queue(std::move(tasks));
}

std::shared_ptr<DateReading> CopyPool::ReadDates(std::shared_ptr<const vb::Folder> from,
                                                 std::shared_ptr<const vb::Folder> to,
                                                 std::vector<std::string> names) {
    auto reading = std::make_shared<DateReading>(std::move(from), std::move(to), std::move(names));
    if (!threads_.empty()) {
        Queue({{nullptr, reading}});
    }
    return reading;
}

void CopyPool::Queue(std::vector<Task> tasks) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        for (Task& task : tasks) {
            queue_.push_back(std::move(task));
        }
        waiting_ = queue_.size();
        // A thread watching for work takes a task and wakes another when more are waiting;
        // when none watches, the walk wakes one, even if others are busy copying.
        wake = idle_ > 0 && watching_ == 0;
    }
    if (wake) {
        work_.notify_one();
    }
}

bool CopyPool::Done(const Ticket& ticket) {
    return ticket->Done();
}

const CopyOutcome& CopyPool::Outcome(const Ticket& ticket) {
    CopyJob& job = *ticket;
    if (!job.handedOver) {
        job.pool.HandOver();
    }
    job.Wait();
    return job.outcome;
}

CopyOutcome CopyPool::CopyAgain(const Ticket& ticket) {
    CopyJob again(ticket->pool, ticket->from, ticket->to, ticket->name);
    again.Run();
    return again.outcome;
}

void CopyPool::Work() {
    std::unique_lock lock(mutex_);
    bool watched = false;
    while (!stopping_) {
        if (!queue_.empty()) {
            const Task task = std::move(queue_.front());
            queue_.pop_front();
            waiting_ = queue_.size();
            const bool more = !queue_.empty() && idle_ > 0 && watching_ == 0;
            lock.unlock();
            if (more) {
                work_.notify_one();
            }
            if (task.copy) {
                task.copy->Run();
            } else if (const auto dates = task.dates.lock()) {
                dates->Read();
            }
            lock.lock();
            watched = false;
        } else if (watching_ == 0 && !watched) {
            // One thread at a time watches for the next files for a moment before it sleeps.
            ++watching_;
            lock.unlock();
            WatchFor(kWatchForWork, [&] { return waiting_.load(std::memory_order_relaxed) > 0; });
            lock.lock();
            --watching_;
            watched = true;
        } else {
            ++idle_;
            work_.wait(lock);
            --idle_;
            watched = false;
        }
    }
    // Nobody takes the outcomes any more: copies not yet begun are dropped.
}

} // namespace Module7
