#pragma once
// The socket control's errors: Winsock numbers with the control's English descriptions.

#include "vb/String.h"

#include <cstdint>

namespace winsock {

struct SocketError {
    std::int32_t number = 0;
    vb::String description;
};

namespace err {
inline constexpr std::int32_t BadState = 40006;
inline constexpr std::int32_t OutOfRange = 40021;
inline constexpr std::int32_t ConnectionReset = 10054;
inline constexpr std::int32_t TimedOut = 10060;
inline constexpr std::int32_t ConnectionRefused = 10061;
inline constexpr std::int32_t HostNotFound = 11001;
} // namespace err

SocketError HostNotFound();
SocketError PortOutOfRange();
SocketError WrongState();

// The error a failed socket call's errno stands for.
SocketError FromErrno(int errnoValue);

} // namespace winsock
