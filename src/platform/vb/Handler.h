#pragma once
// Runs an event handler as the runtime does: an error that reaches its top, with nothing
// to catch it, ends the process with a message on stderr.

#include "vb/Error.h"

#include <new>
#include <utility>

namespace vb {

// Writes "Erreur d'exécution N : text" on stderr and ends the process with status 1.
[[noreturn]] void EndOnUnhandledError(const Error& error);

template <typename Handler> void RunEventHandler(Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const Error& e) {
        EndOnUnhandledError(e);
    } catch (const std::bad_alloc&) {
        EndOnUnhandledError(Error(err::OutOfMemory, DescriptionOf(err::OutOfMemory)));
    }
}

} // namespace vb
