#include "copyengine/CopyPool.h"

#include "vb/Error.h"
#include "vb/FileCopier.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <new>
#include <optional>
#include <pthread.h>
#include <sched.h>
#include <system_error>

namespace Module7 {

namespace {

constexpr unsigned kMostThreads = 8;
constexpr std::size_t kHandOverFiles = 4;
// How long a thread with nothing to do watches for more, and how long the walk watches for
// the end of a copy, before either sleeps: waking a sleeping thread costs a system call on
// both sides, and on some machines more than a small file's copy.
constexpr std::chrono::microseconds kWatchForWork{50};
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

// Signals are for the window thread: the threads that copy start with all of them blocked.
class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t all;
        ::sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &previous_);
    }
    ~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_{};
};

} // namespace

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
    const SignalsBlocked blocked;
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
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        for (Ticket& job : open_) {
            job->handedOver = true;
            queue_.push_back(std::move(job));
        }
        waiting_ = queue_.size();
        // A thread that is awake takes a file and wakes another when more are waiting: the
        // walk only wakes one when all sleep.
        wake = idle_ == threads_.size();
    }
    open_.clear();
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

void CopyPool::Work() {
    std::unique_lock lock(mutex_);
    bool watched = false;
    while (!stopping_) {
        if (!queue_.empty()) {
            const Ticket job = std::move(queue_.front());
            queue_.pop_front();
            waiting_ = queue_.size();
            const bool more = !queue_.empty() && idle_ > 0 && watching_ == 0;
            lock.unlock();
            if (more) {
                work_.notify_one();
            }
            job->Run();
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
