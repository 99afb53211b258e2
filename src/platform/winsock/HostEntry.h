#pragma once
// Host-name lookup as the Windows Sockets call answers it: the IPv4 addresses of a name,
// in the order the resolver lists them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winsock {

struct HostEntry {
    std::int16_t h_length = 0;
    // Each address holds h_length bytes in network order.
    std::vector<std::string> h_addr_list;
};

// No entry when the name does not resolve. Blocks while the name service answers; the
// socket control calls it away from the window thread.
std::optional<HostEntry> gethostbyname(std::string_view name);

} // namespace winsock
