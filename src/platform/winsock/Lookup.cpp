#include "winsock/Lookup.h"

#include "vb/Descriptor.h"
#include "vb/SignalsBlocked.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace winsock {

struct Lookup::Shared {
    std::mutex mutex;
    std::optional<HostEntry> entry;
    vb::Descriptor readEnd;
    vb::Descriptor writeEnd;

    void signal() const {
        const char byte = 1;
        // One byte into an empty pipe whose read end is still open: it cannot fail.
        [[maybe_unused]] const ssize_t n = ::write(writeEnd.get(), &byte, 1);
    }
};

Lookup::Lookup(std::string host, Done done)
    : shared_(std::make_shared<Shared>()), done_(std::move(done)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    shared_->readEnd.reset(ends[0]);
    shared_->writeEnd.reset(ends[1]);
    watch_ = ScopedWatch(shared_->readEnd.get(), POLLIN, [this](short) { finished(); });
    try {
        // A Ctrl+C must reach the window thread, never the resolver's.
        const vb::SignalsBlocked blocked;
        std::thread([shared = shared_, host = std::move(host)] {
            std::optional<HostEntry> entry = gethostbyname(host);
            {
                const std::lock_guard lock(shared->mutex);
                shared->entry = std::move(entry);
            }
            shared->signal();
        }).detach();
    } catch (const std::system_error&) {
        shared_->signal(); // no worker to be had: the name counts as not found
    }
}

void Lookup::finished() {
    if (!done_) {
        return;
    }
    std::optional<HostEntry> entry;
    {
        const std::lock_guard lock(shared_->mutex);
        entry = std::move(shared_->entry);
    }
    watch_.reset();
    const Done done = std::move(done_);
    done(std::move(entry)); // last: it may destroy this Lookup
}

} // namespace winsock
