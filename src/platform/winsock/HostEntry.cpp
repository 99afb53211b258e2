#include "winsock/HostEntry.h"

#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace winsock {

std::optional<HostEntry> gethostbyname(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM; // one entry per address, not one per socket type
    addrinfo* found = nullptr;
    if (::getaddrinfo(std::string(name).c_str(), nullptr, &hints, &found) != 0 ||
        found == nullptr) {
        return std::nullopt;
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, &::freeaddrinfo);

    HostEntry entry;
    entry.h_length = sizeof(in_addr);
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        entry.h_addr_list.emplace_back(reinterpret_cast<const char*>(&v4->sin_addr),
                                       sizeof(in_addr));
    }
    return entry;
}

} // namespace winsock
