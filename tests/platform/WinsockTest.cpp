#include "winsock/Winsock.h"

#include "forms/EventLoop.h"
#include "forms/Form.h"
#include "support/Loopback.h"
#include "support/Pump.h"
#include "vb/Descriptor.h"
#include "vb/Encoding.h"
#include "vb/Error.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;
using Strings = std::vector<std::string>;

// A bound loopback socket and its port.
std::pair<vb::Descriptor, vb::String> LoopbackSocket() {
    auto [fd, port] = testsupport::LoopbackSocket(SOCK_NONBLOCK);
    return {std::move(fd), vb::FromAscii(std::to_string(port))};
}

// The far end: a loopback listener with a small window, so that a sender has to queue.
struct Peer {
    std::pair<vb::Descriptor, vb::String> listener = LoopbackSocket();
    vb::Descriptor connection;

    Peer() {
        const int window = 8192;
        ::setsockopt(listener.first.get(), SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
        ::listen(listener.first.get(), 4);
    }
    const vb::String& port() const { return listener.second; }
    bool accept() {
        return testsupport::PumpUntil([&] {
            if (!connection) {
                connection.reset(::accept4(listener.first.get(), nullptr, nullptr, SOCK_NONBLOCK));
            }
            return connection.valid();
        });
    }
    void send(const std::string& bytes) const {
        ::send(connection.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
};

struct Bench {
    forms::Form window{u"Fenetre"};
    winsock::Winsock socket{window, u"S"};
    Strings events;

    Bench() {
        socket.DataArrival = [this](std::int32_t n) {
            events.push_back("data " + std::to_string(n));
        };
        socket.Error = [this](std::int32_t number, const vb::String& description) {
            events.push_back(std::to_string(number) + " " + vb::ToUtf8(description));
        };
        socket.Closed = [this] { events.push_back("closed"); };
    }
    bool waitFor(std::size_t count) {
        return testsupport::PumpUntil([&] { return events.size() >= count; });
    }
};

TEST(Winsock, ReceivesOneCharacterPerByteThenThePeerClosingOrResetting) {
    for (const bool reset : {false, true}) {
        Peer peer;
        Bench bench;
        bench.socket.Connect(u"127.0.0.1", peer.port());
        ASSERT_TRUE(peer.accept());
        peer.send("caf\xe9 \x80\r\n");
        ASSERT_TRUE(bench.waitFor(1));
        vb::String data;
        bench.socket.GetData(data);
        EXPECT_EQ(data, u"café €\r\n");
        bench.socket.GetData(data);
        EXPECT_EQ(data, u"");

        peer.send("fin");
        ASSERT_TRUE(bench.waitFor(2));
        if (reset) {
            const linger abort{1, 0};
            ::setsockopt(peer.connection.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        }
        peer.connection.reset();
        ASSERT_TRUE(bench.waitFor(3));
        EXPECT_EQ(bench.events,
                  (Strings{"data 8", "data 3",
                           reset ? "10054 Connection reset by remote side" : "closed"}));
        bench.socket.GetData(data);
        EXPECT_EQ(data, u"fin");
        EXPECT_THROW(bench.socket.SendData(u"quit\r\n"), vb::Error);
    }
}

TEST(Winsock, SendsAnyAmountWholeAndInOrderToASlowReaderReportingItsProgress) {
    Peer peer;
    Bench bench;
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    bench.socket.SendProgress = [&](std::int32_t sent, std::int32_t remaining) {
        progress.emplace_back(sent, remaining);
    };
    bench.socket.Connect(u"localhost", peer.port());
    ASSERT_TRUE(peer.accept());
    peer.send("220\r\n"); // once this arrives, the connection is made
    ASSERT_TRUE(bench.waitFor(1));

    vb::String text;
    for (int i = 0; text.size() < 6'000'000; ++i) {
        text += vb::FromAscii(std::to_string(i)) + u" é€\r\n";
    }
    bench.socket.SendData(text.substr(0, 1000));
    bench.socket.SendData(text.substr(1000));
    EXPECT_TRUE(progress.empty()); // only ever from the event loop

    const std::string expected = vb::EncodeWindows1252(text);
    std::string received;
    forms::EventLoop& loop = forms::EventLoop::instance();
    const auto reader = loop.watch(peer.connection.get(), POLLIN, [&](short) {
        char chunk[16384];
        const ssize_t n = ::recv(peer.connection.get(), chunk, sizeof chunk, 0);
        received.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
    });
    testsupport::PumpUntil([&] { return received.size() >= expected.size(); }, milliseconds(30000));
    loop.unwatch(reader);
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    EXPECT_EQ(bench.events.size(), 1U);

    // Each report counts what went since the last one, and what still waits.
    ASSERT_GT(progress.size(), 2U);
    std::size_t total = 0;
    for (std::size_t i = 0; i < progress.size(); ++i) {
        EXPECT_GT(progress[i].first, 0);
        total += static_cast<std::size_t>(progress[i].first);
        EXPECT_EQ(static_cast<std::size_t>(progress[i].second), expected.size() - total);
    }
    EXPECT_EQ(progress.back().second, 0);
}

TEST(Winsock, APeerGoneInTheMiddleOfASendingEndsTheConnectionNotTheProcess) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "closed");
        Peer peer;
        Bench bench;
        bench.socket.Connect(u"127.0.0.1", peer.port());
        ASSERT_TRUE(peer.accept());
        peer.send("220\r\n");
        ASSERT_TRUE(bench.waitFor(1));
        if (reset) {
            // Far more than the windows hold: most of it is still queued when the peer goes.
            bench.socket.SendData(vb::String(4'000'000, u'x'));
            const linger abort{1, 0};
            ::setsockopt(peer.connection.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            peer.connection.reset();
        } else {
            // The first write after the peer closed draws its reset, the second one would
            // raise SIGPIPE.
            peer.connection.reset();
            std::this_thread::sleep_for(milliseconds(50));
            bench.socket.SendData(u"quit\r\n");
            std::this_thread::sleep_for(milliseconds(50));
            bench.socket.SendData(u"quit\r\n");
        }
        ASSERT_TRUE(bench.waitFor(2));
        testsupport::PumpFor(milliseconds(50));
        EXPECT_EQ(bench.events,
                  (Strings{"data 5", reset ? "10054 Connection reset by remote side" : "closed"}));
    }
}

TEST(Winsock, FailuresToConnectComeBackAsOneErrorEventAfterConnectReturns) {
    const vb::String closedPort = vb::FromAscii(std::to_string(testsupport::ClosedPort()));
    const std::tuple<vb::String, vb::String, std::string> cases[] = {
        {u"127.0.0.1", closedPort, "10061 Connection is forcefully rejected"},
        {u"localhost", closedPort, "10061 Connection is forcefully rejected"},
        {u"", u"25", "11001 Host not found"},
        {u"nom-inexistant.invalid", u"25", "11001 Host not found"},
        {u"127.0.0.1", u"smtp", "40021 Argument is out of range"},
        {u"127.0.0.1", u"65536", "40021 Argument is out of range"},
    };
    for (const auto& [host, port, event] : cases) {
        SCOPED_TRACE(vb::ToUtf8(host) + ":" + vb::ToUtf8(port));
        Bench bench;
        bench.socket.Connect(host, port);
        EXPECT_TRUE(bench.events.empty());
        bench.waitFor(1);
        testsupport::PumpFor(milliseconds(50));
        EXPECT_EQ(bench.events, Strings{event});
    }
}

TEST(Winsock, NothingComesAfterClose) {
    Peer peer;
    Bench bench;
    try {
        bench.socket.SendData(u"trop tôt");
        ADD_FAILURE() << "sending before connecting must raise";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), 40006);
    }
    bench.socket.Connect(u"localhost", peer.port()); // closed while the name is looked up
    bench.socket.Close();
    bench.socket.Connect(u"", u"25"); // closed before its error is reported
    bench.socket.Close();
    bench.socket.Connect(u"127.0.0.1", peer.port());
    ASSERT_TRUE(peer.accept());
    peer.send("250 OK\r\n");
    ASSERT_TRUE(bench.waitFor(1));
    bench.socket.Close();
    peer.send("perdu");
    peer.connection.reset();
    {
        Bench gone; // destroyed while its lookup is under way
        gone.socket.Connect(u"localhost", peer.port());
    }
    testsupport::PumpFor(milliseconds(200));
    EXPECT_EQ(bench.events, Strings{"data 8"});
}

} // namespace
