#include "winsock/Winsock.h"

#include "forms/EventLoop.h"
#include "vb/Encoding.h"
#include "vb/Error.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <limits>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <utility>

namespace winsock {

namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;
// A peer that sends without pause must not keep the other events of the loop waiting.
constexpr std::size_t kMostPerWakeUp = std::size_t{1024} * 1024;

std::optional<std::uint16_t> ParsePort(vb::StringView text) {
    const vb::String digits = vb::Trim(text);
    if (digits.empty() || digits.size() > 5) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const vb::Char c : digits) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
    }
    if (value > std::numeric_limits<std::uint16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

Winsock::Winsock(forms::Container& parent, vb::String name) : Control(parent, std::move(name)) {}

Winsock::~Winsock() {
    tearDown();
}

void Winsock::Connect(vb::StringView remoteHost, vb::StringView remotePort) {
    Close();
    const std::optional<std::uint16_t> port = ParsePort(remotePort);
    if (!port) {
        failLater(PortOutOfRange());
        return;
    }
    const std::string host = vb::EncodeText(remoteHost);
    if (host.empty()) {
        failLater(HostNotFound());
        return;
    }
    if (in_addr numeric{}; ::inet_pton(AF_INET, host.c_str(), &numeric) == 1) {
        connectTo(numeric.s_addr, *port);
        return;
    }
    try {
        lookup_ = std::make_unique<Lookup>(host, [this, port](std::optional<HostEntry> entry) {
            lookup_.reset();
            if (!entry || entry->h_addr_list.empty()) {
                fail(HostNotFound());
                return;
            }
            in_addr address{};
            std::memcpy(&address, entry->h_addr_list.front().data(), sizeof address);
            connectTo(address.s_addr, *port);
        });
    } catch (const std::system_error& e) {
        failLater(FromErrno(e.code().value()));
    }
}

void Winsock::connectTo(std::uint32_t address, std::uint16_t port) {
    vb::Descriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) {
        failLater(FromErrno(errno));
        return;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0 &&
        errno != EINPROGRESS) {
        failLater(FromErrno(errno));
        return;
    }
    socket_ = std::move(fd);
    phase_ = Phase::Connecting;
    watch_ = ScopedWatch(socket_.get(), POLLOUT, [this](short revents) { onReady(revents); });
}

void Winsock::SendData(vb::StringView data) {
    if (phase_ != Phase::Connected) {
        const SocketError wrong = WrongState();
        throw vb::Error(wrong.number, wrong.description, Name());
    }
    outgoing_ += vb::EncodeWindows1252(data);
    if (writeError_ == 0) {
        // A failure shows after what the peer sent before it has been delivered.
        writeError_ = flush();
    }
    updateWatch();
    if (unreported_ > 0 && !reportPosted_) {
        reportPosted_ = true;
        const std::weak_ptr<const bool> alive = alive_;
        forms::EventLoop::instance().post([this, alive, serial = serial_] {
            if (!alive.expired() && serial == serial_) {
                reportPosted_ = false;
                reportProgress();
            }
        });
    }
}

void Winsock::GetData(vb::String& data) {
    data = vb::DecodeWindows1252(incoming_);
    incoming_.clear();
}

void Winsock::Close() {
    tearDown();
    incoming_.clear();
}

void Winsock::onReady(short revents) {
    if (phase_ == Phase::Connecting) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
        if (error != 0) {
            fail(FromErrno(error));
            return;
        }
        if ((revents & POLLOUT) == 0) {
            return;
        }
        phase_ = Phase::Connected;
        updateWatch();
    }
    if (phase_ != Phase::Connected) {
        return;
    }
    if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !receive()) {
        return;
    }
    if (writeError_ == 0 && (revents & POLLOUT) != 0) {
        writeError_ = flush();
        if (!reportProgress()) {
            return;
        }
    }
    if (writeError_ != 0) {
        fail(FromErrno(writeError_));
        return;
    }
    updateWatch();
}

bool Winsock::receive() {
    const std::uint64_t serial = serial_;
    std::size_t got = 0;
    bool ended = false;
    int error = 0;
    char buffer[kChunk];
    while (got < kMostPerWakeUp) {
        const ssize_t n = ::recv(socket_.get(), buffer, sizeof buffer, 0);
        if (n > 0) {
            incoming_.append(buffer, static_cast<std::size_t>(n));
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) {
            ended = true;
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
        }
        break;
    }
    if (got > 0 && DataArrival) {
        const auto waiting =
            std::min<std::size_t>(incoming_.size(), std::numeric_limits<std::int32_t>::max());
        DataArrival(static_cast<std::int32_t>(waiting));
        if (serial != serial_) {
            return false; // the handler closed or reopened the connection
        }
    }
    if (error != 0) {
        fail(FromErrno(error));
        return false;
    }
    if (ended) {
        tearDown();
        if (Closed) {
            Closed();
        }
        return false;
    }
    return true;
}

bool Winsock::reportProgress() {
    if (unreported_ == 0) {
        return true;
    }
    const std::uint64_t serial = serial_;
    constexpr std::size_t kMost = std::numeric_limits<std::int32_t>::max();
    const auto count = static_cast<std::int32_t>(std::min(std::exchange(unreported_, 0), kMost));
    const auto remaining = static_cast<std::int32_t>(std::min(outgoing_.size() - sent_, kMost));
    if (SendProgress) {
        SendProgress(count, remaining);
    }
    return serial == serial_;
}

int Winsock::flush() {
    while (sent_ < outgoing_.size()) {
        const ssize_t n =
            ::send(socket_.get(), outgoing_.data() + sent_, outgoing_.size() - sent_, MSG_NOSIGNAL);
        if (n >= 0) {
            sent_ += static_cast<std::size_t>(n);
            unreported_ += static_cast<std::size_t>(n);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        } else if (errno != EINTR) {
            return errno;
        }
    }
    if (sent_ == outgoing_.size()) {
        outgoing_.clear();
        sent_ = 0;
    } else if (sent_ >= kMostPerWakeUp) {
        outgoing_.erase(0, sent_);
        sent_ = 0;
    }
    return 0;
}

void Winsock::updateWatch() const {
    short events = 0;
    if (phase_ == Phase::Connecting) {
        events = POLLOUT;
    } else if (phase_ == Phase::Connected) {
        events = POLLIN;
        if (sent_ < outgoing_.size() || writeError_ != 0) {
            events |= POLLOUT;
        }
    }
    watch_.setEvents(events);
}

void Winsock::fail(const SocketError& error) {
    tearDown();
    if (Error) {
        Error(error.number, error.description);
    }
}

void Winsock::failLater(SocketError error) {
    tearDown();
    const std::weak_ptr<const bool> alive = alive_;
    forms::EventLoop::instance().post([this, alive, serial = serial_, error = std::move(error)] {
        if (alive.expired() || serial != serial_ || !Error) {
            return;
        }
        Error(error.number, error.description);
    });
}

void Winsock::tearDown() {
    ++serial_;
    lookup_.reset();
    watch_.reset();
    socket_.reset();
    outgoing_.clear();
    sent_ = 0;
    unreported_ = 0;
    reportPosted_ = false;
    writeError_ = 0;
    phase_ = Phase::Closed;
}

} // namespace winsock
