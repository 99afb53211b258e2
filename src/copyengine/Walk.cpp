#include "copyengine/Walk.h"

#include "copyengine/Descriptors.h"
#include "copyengine/Module7.h"
#include "vb/Error.h"

#include <algorithm>

namespace Module7 {

namespace {

// Files handed to each copying thread whose outcomes the walk has not shown yet.
constexpr std::size_t kFilesPerThread = 16;
// Dates read in one go by a thread, and readings asked for ahead of the walk.
constexpr std::size_t kDatesPerReading = 32;
constexpr std::size_t kReadingsAhead = 8;
// Steps held back behind unfinished copies before the walk waits for the first of them.
constexpr std::size_t kMostWaitingSteps = 4096;
// Descriptors kept for the walk's own folders and for the rest of the program; each
// copying thread holds two files, and each pair of folders of the copies in flight two
// folders.
constexpr std::size_t kDescriptorsForTheRest = 16;
constexpr std::size_t kDescriptorsPerThread = 2;
constexpr std::size_t kDescriptorsPerPair = 2;

bool Is(const SharedFolder& folder, const vb::FileId& id) {
    return folder->valid() && folder->id() == id;
}

} // namespace

namespace testing {
std::optional<unsigned> gThreads;

void SetCopyingThreads(std::optional<unsigned> threads) {
    gThreads = threads;
}
} // namespace testing

Walk::Walk(const vb::String& motif, const vb::String& statut, forms::ProgressLabel& etiquette,
           vb::String& listeHTML, std::int32_t& nCopies, std::int32_t& nParcourus)
    : motif(motif), recursif(vb::InStr(vb::UCase(statut), u"R") > 0),
      recents(vb::InStr(vb::UCase(statut), u"D") > 0), etiquette(etiquette), listeHTML(listeHTML),
      nCopies(nCopies), nParcourus(nParcourus) {}

CopyPool& Walk::Pool() {
    if (!pool_) {
        // Under a low limit on open files (as some services run), fewer threads and fewer
        // folders in flight: a copy must never fail for want of descriptors.
        const std::size_t left = DescriptorsLeft();
        const std::size_t room = left > kDescriptorsForTheRest ? left - kDescriptorsForTheRest : 0;
        const unsigned threads = static_cast<unsigned>(
            std::min<std::size_t>(testing::gThreads.value_or(CopyPool::DefaultThreads()),
                                  room / (kDescriptorsPerThread + kDescriptorsPerPair)));
        mostPairs_ = std::max<std::size_t>(1, (room - threads * kDescriptorsPerThread) /
                                                  kDescriptorsPerPair);
        pool_.emplace(threads);
    }
    return *pool_;
}

CopyPool* Walk::Threads() {
    CopyPool& pool = Pool();
    return pool.threads() > 0 ? &pool : nullptr;
}

void Walk::Copy(const SharedFolder& from, const SharedFolder& to, const std::string& name,
                std::function<void(const CopyOutcome&)> done) {
    CopyPool& pool = Pool();
    const std::size_t most = kFilesPerThread * std::max(1U, pool.threads());
    // The copies of one folder follow each other: a pair of folders in flight is a run of them.
    const auto samePair = [&] {
        return !inFlight_.empty() && inFlight_.back().from == from && inFlight_.back().to == to;
    };
    while (inFlight_.size() >= most || (!samePair() && pairs_ >= mostPairs_)) {
        steps_.RunFirst();
    }
    if (!samePair()) {
        ++pairs_;
    }
    CopyPool::Ticket ticket = pool.Submit(from, to, name);
    inFlight_.push_back({from, to, ticket});
    steps_.After(std::move(ticket), [this, threaded = pool.threads() > 0,
                                     done = std::move(done)](const CopyOutcome& outcome) {
        const InFlight ended = std::move(inFlight_.front());
        inFlight_.pop_front();
        if (inFlight_.empty() || inFlight_.front().from != ended.from ||
            inFlight_.front().to != ended.to) {
            --pairs_;
        }
        if (threaded && outcome.copyError == vb::err::DiskFull) {
            done(Alone(ended.copy));
        } else {
            done(outcome);
        }
    });
}

// Copies side by side on a destination short of room each take part of it, and may all fail
// where one at a time would have saved the first: a copy that failed for room is made again,
// alone, once the copies still in flight have ended (their outcomes wait for their turn).
// Its outcome is then the one a copy at a time gives, unless the copies in flight changed
// what fits (one after it that succeeded took the room).
CopyOutcome Walk::Alone(const CopyPool::Ticket& failed) {
    for (const InFlight& copy : inFlight_) {
        CopyPool::Outcome(copy.copy);
    }
    return CopyPool::CopyAgain(failed);
}

void Walk::HandOver() {
    if (pool_) {
        pool_->HandOver();
    }
}

void Walk::Pace() {
    steps_.Poll();
    while (steps_.waiting() > kMostWaitingSteps) {
        steps_.RunFirst();
    }
}

void Walk::DrainTouching(const vb::FileId& folder) {
    if (std::any_of(inFlight_.begin(), inFlight_.end(),
                    [&](const InFlight& c) { return Is(c.from, folder) || Is(c.to, folder); })) {
        Drain();
    }
}

DatesAhead::DatesAhead(CopyPool& pool, SharedFolder from, SharedFolder to,
                       std::vector<std::string> names)
    : pool_(pool), from_(std::move(from)), to_(std::move(to)), names_(std::move(names)) {
    while (readings_.size() < kReadingsAhead && asked_ < names_.size()) {
        Ask();
    }
}

void DatesAhead::Ask() {
    if (asked_ == names_.size()) {
        return;
    }
    const std::size_t count = std::min(kDatesPerReading, names_.size() - asked_);
    const auto first = names_.begin() + static_cast<std::ptrdiff_t>(asked_);
    readings_.push_back(pool_.ReadDates(
        from_, to_, std::vector<std::string>(first, first + static_cast<std::ptrdiff_t>(count))));
    asked_ += count;
}

EntryDates DatesAhead::Next(const std::function<EntryDates()>& readHere) {
    if (taken_ == readings_.front()->size()) {
        readings_.pop_front();
        taken_ = 0;
        Ask();
    }
    return readings_.front()->Take(taken_++, readHere);
}

} // namespace Module7
