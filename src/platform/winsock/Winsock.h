#pragma once
// The TCP socket control: a client connection driven by the event loop. Everything it
// learns after a call returns (data, errors, the peer closing) comes back as an event.

#include "forms/Control.h"
#include "vb/Descriptor.h"
#include "vb/String.h"
#include "winsock/Errors.h"
#include "winsock/Lookup.h"
#include "winsock/ScopedWatch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace winsock {

class Winsock : public forms::Control {
public:
    Winsock(forms::Container& parent, vb::String name);
    ~Winsock() override;

    // Starts connecting to a host name or dotted IPv4 address and a decimal port. Returns
    // at once; a failure, an unknown or empty host included, comes back as Error.
    void Connect(vb::StringView remoteHost, vb::StringView remotePort);
    // Sends the text one character per byte (Windows-1252). What the connection cannot
    // take now is queued and goes out, in order, as it drains. Raises 40006 when not
    // connected.
    void SendData(vb::StringView data);
    // Everything received and not yet read.
    void GetData(vb::String& data);
    // Ends the connection, or the attempt to make one; queued and unread data are dropped.
    void Close();

    // Data came: the count of bytes now waiting to be read.
    std::function<void(std::int32_t bytesTotal)> DataArrival;
    std::function<void(std::int32_t number, const vb::String& description)> Error;
    // The runtime's Close event: the peer closed the connection.
    std::function<void()> Closed;
    // The connection took bytes: how many since the last report, and how many still wait.
    // Always from the event loop, never from inside SendData.
    std::function<void(std::int32_t bytesSent, std::int32_t bytesRemaining)> SendProgress;

private:
    // Looking a name up counts as closed: nothing can be sent or received yet.
    enum class Phase { Closed, Connecting, Connected };

    void connectTo(std::uint32_t address, std::uint16_t port);
    void onReady(short revents);
    // Reads what is there; returns false when the connection ended or was replaced.
    bool receive();
    // Writes what the connection takes now; the errno of a failure, or 0.
    int flush();
    void updateWatch() const;
    // Raises SendProgress for what went out since the last report; false when the handler
    // closed or reopened the connection.
    bool reportProgress();
    // Tears the connection down and reports `error` at once.
    void fail(const SocketError& error);
    // Tears the connection down and reports `error` from the event loop, after the call
    // that met it has returned.
    void failLater(SocketError error);
    void tearDown();

    Phase phase_ = Phase::Closed;
    // Changes whenever a connection starts or ends, so that work meant for one
    // connection never reaches the next.
    std::uint64_t serial_ = 0;
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
    std::unique_ptr<Lookup> lookup_;
    vb::Descriptor socket_;
    ScopedWatch watch_;
    std::string outgoing_;
    std::size_t sent_ = 0;
    std::size_t unreported_ = 0;
    bool reportPosted_ = false;
    std::string incoming_;
    int writeError_ = 0;
};

} // namespace winsock
