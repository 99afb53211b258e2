#pragma once
// Runs a piece of a test in a forked child, optionally as the unprivileged user "nobody"
// (root ignores permission bits), and brings back what it writes.

#include <functional>
#include <pwd.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

struct Unprivileged {
    uid_t uid = 65534;
    gid_t gid = 65534;
};

inline Unprivileged Nobody() {
    Unprivileged who;
    if (const passwd* pw = ::getpwnam("nobody")) {
        who.uid = pw->pw_uid;
        who.gid = pw->pw_gid;
    }
    return who;
}

// The text `body` returns in the child; "child failed" when it could not run.
inline std::string InChild(const std::function<std::string()>& body, bool asNobody) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return "child failed";
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (asNobody && ::geteuid() == 0) {
            const Unprivileged who = Nobody();
            if (::setgid(who.gid) != 0 || ::setuid(who.uid) != 0) {
                ::_exit(3);
            }
        }
        const std::string out = body();
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) {
                ::_exit(4);
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed";
}

} // namespace testsupport
