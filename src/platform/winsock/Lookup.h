#pragma once
// A host-name lookup that never holds up the window thread: a short-lived worker asks the
// name service and hands the answer back through a pipe that the event loop watches.

#include "winsock/HostEntry.h"
#include "winsock/ScopedWatch.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace winsock {

class Lookup {
public:
    using Done = std::function<void(std::optional<HostEntry>)>;

    // `done` runs from the event loop, at most once; it may destroy the Lookup.
    // Throws std::system_error when no pipe can be made.
    Lookup(std::string host, Done done);
    // A worker still asking finishes on its own and its answer is dropped.
    ~Lookup() = default;
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;

private:
    struct Shared;

    void finished();

    std::shared_ptr<Shared> shared_;
    Done done_;
    ScopedWatch watch_;
};

} // namespace winsock
