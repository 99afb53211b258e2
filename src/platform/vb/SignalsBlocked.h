#pragma once
// Signals are for the window thread: a thread started while this object lives inherits a
// mask with every signal blocked, so a signal handler never runs on it.

#include <csignal>
#include <pthread.h>

namespace vb {

class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t all;
        ::sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &previous_);
    }
    ~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_{};
};

} // namespace vb
