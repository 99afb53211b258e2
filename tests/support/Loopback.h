#pragma once
// Loopback sockets for the tests: a bound one with its port, and a port nothing listens on.

#include "vb/Descriptor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <utility>
#include <vector>

namespace testsupport {

// A socket bound to a free loopback port, and that port.
inline std::pair<vb::Descriptor, int> LoopbackSocket(int flags = 0) {
    vb::Descriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    return {std::move(fd), ntohs(address.sin_port)};
}

// A loopback port that nothing listens on. It stays bound for the rest of the process, so
// that no other socket takes it and no connection to it is made from that very port.
inline int ClosedPort() {
    static std::vector<vb::Descriptor> held;
    auto [fd, port] = LoopbackSocket();
    held.push_back(std::move(fd));
    return port;
}

} // namespace testsupport
