#include "winsock/Errors.h"

#include "vb/Encoding.h"

#include <cerrno>
#include <cstring>

namespace winsock {

SocketError HostNotFound() {
    return {err::HostNotFound, u"Host not found"};
}

SocketError PortOutOfRange() {
    return {err::OutOfRange, u"Argument is out of range"};
}

SocketError WrongState() {
    return {err::BadState,
            u"Wrong protocol or connection state for the requested transaction or request"};
}

SocketError FromErrno(int errnoValue) {
    switch (errnoValue) {
    case ECONNREFUSED:
        return {err::ConnectionRefused, u"Connection is forcefully rejected"};
    case ETIMEDOUT:
        return {err::TimedOut, u"Connection timed out"};
    case ECONNRESET:
    case EPIPE:
        return {err::ConnectionReset, u"Connection reset by remote side"};
    case ECONNABORTED:
        return {10053, u"Connection is aborted due to timeout or other failure"};
    case ENETUNREACH:
        return {10051, u"Network is unreachable"};
    case EHOSTUNREACH:
        return {10065, u"No route to host"};
    case ENETDOWN:
        return {10050, u"Network subsystem is failed"};
    case EADDRNOTAVAIL:
        return {10049, u"Address not available from the local machine"};
    case EADDRINUSE:
        return {10048, u"Address in use"};
    case ENOBUFS:
    case ENOMEM:
        return {10055, u"No buffer space is available"};
    case EMFILE:
    case ENFILE:
        return {10024, u"Too many open sockets"};
    case EACCES:
    case EPERM:
        return {10013, u"Permission denied"};
    default:
        // The C library's own words, in its default (English) locale.
        return {10050, vb::DecodeText(std::strerror(errnoValue))};
    }
}

} // namespace winsock
