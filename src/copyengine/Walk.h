#pragma once
// What one call of the engine shares with the folders below it: the caller's variables, the
// error log, and the copies in flight with the steps that show their outcomes.
//
// The walk itself (reading folders, making folders, comparing dates) runs ahead of those
// steps by a bounded number of copies. Copies only ever add or replace files in their
// destination folder, so the walk waits for the copies in flight before it reads, or
// writes into, a folder they write into or read from, and before it follows a link to a
// file, which may lead anywhere: everything it finds is then what it would have found had
// each copy ended before the next step.

#include "copyengine/CopyPool.h"
#include "copyengine/InOrder.h"
#include "forms/Control.h"
#include "vb/String.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Module7 {

using SharedFolder = std::shared_ptr<const vb::Folder>;

class Walk {
public:
    Walk(const vb::String& motif, const vb::String& statut, forms::ProgressLabel& etiquette,
         vb::String& listeHTML, std::int32_t& nCopies, std::int32_t& nParcourus);

    const vb::String& motif;
    const bool recursif;
    const bool recents;
    forms::ProgressLabel& etiquette;
    vb::String& listeHTML;
    std::int32_t& nCopies;
    std::int32_t& nParcourus;
    vb::String journal;

    // A step that shows what the walk did, in the walk's order.
    template <typename Step> void Then(Step&& step) { steps_.Then(std::forward<Step>(step)); }

    // Copies the entry `name` of `from` into `to`; `done` shows its outcome, in order.
    void Copy(const SharedFolder& from, const SharedFolder& to, const std::string& name,
              std::function<void(const CopyOutcome&)> done);
    // Lets the threads start on the files submitted before the walk goes elsewhere.
    void HandOver();
    // The threads, made when first needed; null when the copies run in the walk's thread.
    CopyPool* Threads();

    // Shows what the copies that have ended did; waits when too much is held back.
    void Pace();
    // Waits for every copy and shows every step.
    void Drain() { steps_.Drain(); }
    // Waits for the copies in flight when one of them reads from or writes into `folder`.
    void DrainTouching(const vb::FileId& folder);

private:
    struct InFlight {
        SharedFolder from;
        SharedFolder to;
        CopyPool::Ticket copy;
    };

    CopyPool& Pool();
    CopyOutcome Alone(const CopyPool::Ticket& failed);

    InOrder steps_;
    std::deque<InFlight> inFlight_;
    std::size_t pairs_ = 0;        // of folders, held by the copies in flight
    std::size_t mostPairs_ = 1;    // as many as the process may keep open
    std::optional<CopyPool> pool_; // last: its threads end before what they work for
};

// The dates of the files of a pass in "D" mode, read ahead of the walk by the threads, a
// few hundred files at most, in the order the walk takes them up; the walk reads itself
// those that no thread has reached.
class DatesAhead {
public:
    DatesAhead(CopyPool& pool, SharedFolder from, SharedFolder to, std::vector<std::string> names);
    // The dates of the next name, read by `readHere` when no thread has them.
    EntryDates Next(const std::function<EntryDates()>& readHere);

private:
    void Ask();

    CopyPool& pool_;
    const SharedFolder from_;
    const SharedFolder to_;
    const std::vector<std::string> names_;
    std::size_t asked_ = 0; // names asked for so far
    std::size_t taken_ = 0; // of the first reading
    std::deque<std::shared_ptr<DateReading>> readings_;
};

namespace testing {
// Set by tests: the copying threads of the next walks (0: the walk's own), in place of the
// CPUs' count.
extern std::optional<unsigned> gThreads;
} // namespace testing

} // namespace Module7
