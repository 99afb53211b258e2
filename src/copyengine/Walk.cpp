#include "copyengine/Walk.h"

#include "copyengine/Module7.h"

#include <algorithm>

namespace Module7 {

namespace {

// Files handed to each copying thread whose outcomes the walk has not shown yet.
constexpr std::size_t kFilesPerThread = 16;
// Steps held back behind unfinished copies before the walk waits for the first of them.
constexpr std::size_t kMostWaitingSteps = 4096;

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
        pool_.emplace(testing::gThreads.value_or(CopyPool::DefaultThreads()));
    }
    return *pool_;
}

void Walk::Copy(const SharedFolder& from, const SharedFolder& to, const std::string& name,
                std::function<void(const CopyOutcome&)> done) {
    CopyPool& pool = Pool();
    const std::size_t most = kFilesPerThread * std::max(1U, pool.threads());
    while (inFlight_.size() >= most) {
        steps_.RunFirst();
    }
    CopyPool::Ticket ticket = pool.Submit(from, to, name);
    inFlight_.push_back({from, to});
    steps_.After(std::move(ticket), [this, done = std::move(done)](const CopyOutcome& outcome) {
        inFlight_.pop_front();
        done(outcome);
    });
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

} // namespace Module7
