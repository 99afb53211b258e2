#include "vb/TemporaryFile.h"

#include "vb/DirStream.h"
#include "vb/Error.h"
#include "vb/Folder.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <set>
#include <stdio.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vb {

namespace {

constexpr std::string_view kNameStart = ".quorvel-";
constexpr std::string_view kNameEnd = ".tmp";

// A name that no other copy of this or another process uses at the moment.
std::string TemporaryName() {
    static std::atomic<unsigned long> counter{0};
    return std::string(kNameStart) + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
           std::string(kNameEnd);
}

// The process whose temporary name `name` is.
std::optional<pid_t> NamedBy(std::string_view name) {
    if (!name.starts_with(kNameStart) || !name.ends_with(kNameEnd)) {
        return std::nullopt;
    }
    name = name.substr(kNameStart.size(), name.size() - kNameStart.size() - kNameEnd.size());
    pid_t pid = 0;
    unsigned long count = 0;
    const char* const end = name.data() + name.size();
    const auto [dash, pidError] = std::from_chars(name.data(), end, pid);
    if (pidError != std::errc{} || pid <= 0 || dash == end || *dash != '-') {
        return std::nullopt;
    }
    const auto [last, countError] = std::from_chars(dash + 1, end, count);
    if (countError != std::errc{} || last != end) {
        return std::nullopt;
    }
    return pid;
}

// A temporary file carries this mark while it has a temporary name: the sticky bit, which
// does nothing on a file and which every file system with Unix modes keeps. A copy never
// carries it (it gets only the permission bits of its original), so a file copied from
// elsewhere under a name like ours is never taken for a leftover. Where the mark cannot be
// kept (FAT), nothing is taken for a leftover.
constexpr mode_t kMark = S_ISVTX;

// Whether the entry `name` of `folder` is a temporary file of ours that nobody holds: a
// file with the mark, unlocked. Its writer keeps it locked while it lives, which a process
// of another machine or PID namespace sharing the folder (an NFS share, a container) also
// sees, where its PID means nothing.
bool Abandoned(int folder, const char* name) {
    const Descriptor fd(
        ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    return fd && ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & kMark) != 0 &&
           ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
}

// A copy killed between the naming of its file and the rename over the destination leaves
// the file under a temporary name: those of processes that are gone, and that nobody
// holds, are removed, once per folder, when this process first names a file there.
void RemoveLeftovers(int folder) {
    struct stat st {};
    if (::fstat(folder, &st) != 0) {
        return;
    }
    {
        static std::mutex mutex;
        static std::set<std::pair<dev_t, ino_t>> seen;
        const std::lock_guard lock(mutex);
        if (!seen.emplace(st.st_dev, st.st_ino).second) {
            return;
        }
    }
    const DirStream dir = ListFolder(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const auto pid = NamedBy(entry->d_name);
        if (pid && *pid != ::getpid() && ::kill(*pid, 0) != 0 && errno == ESRCH &&
            Abandoned(folder, entry->d_name)) {
            ::unlinkat(folder, entry->d_name, 0);
        }
    }
}

// Set once linking through /proc has been needed (no right to link a descriptor directly).
std::atomic<bool> gLinkNeedsProc{false};

// Gives the nameless file behind `fd` the name `name` in `folder`.
bool LinkNameless(int fd, int folder, const std::string& name) {
    if (!gLinkNeedsProc.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) {
            return true;
        }
        if (errno != ENOENT && errno != EPERM) {
            return false;
        }
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return false;
    }
    gLinkNeedsProc.store(true, std::memory_order_relaxed);
    return true;
}

} // namespace

TemporaryFile::TemporaryFile(Descriptor ownFolder, int folder, std::string name, std::string named,
                             Descriptor fd)
    : ownFolder_(std::move(ownFolder)), folder_(folder), name_(std::move(name)),
      named_(std::move(named)), fd_(std::move(fd)) {}

TemporaryFile TemporaryFile::Create(const std::string& destination, mode_t mode) {
    auto [folder, name] = SplitAtFolder(destination);
    Descriptor own(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!own) {
        throw FromErrno(errno, err::PathNotFound);
    }
    TemporaryFile file = Create(own.get(), std::move(name), mode);
    file.ownFolder_ = std::move(own);
    return file;
}

TemporaryFile TemporaryFile::Create(int folder, std::string name, mode_t mode) {
    TemporaryFile file({}, folder, std::move(name), {}, {});
    file.Open(mode);
    return file;
}

void TemporaryFile::Open(mode_t mode) {
    fd_.reset(::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (fd_) {
        return;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        throw FromErrno(errno, err::PathNotFound);
    }
    RemoveLeftovers(folder_);
    while (true) {
        std::string named = TemporaryName();
        fd_.reset(::openat(folder_, named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           mode | kMark));
        if (fd_) {
            ::flock(fd_.get(), LOCK_EX);
            named_ = std::move(named);
            return;
        }
        if (errno != EEXIST) {
            throw FromErrno(errno, err::PathNotFound);
        }
    }
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : ownFolder_(std::move(other.ownFolder_)), folder_(other.folder_),
      name_(std::move(other.name_)), named_(std::exchange(other.named_, {})),
      fd_(std::move(other.fd_)) {}

TemporaryFile::~TemporaryFile() {
    if (!named_.empty()) {
        ::unlinkat(folder_, named_.c_str(), 0);
    }
}

void TemporaryFile::Restart(mode_t mode) {
    if (!named_.empty()) {
        ::unlinkat(folder_, std::exchange(named_, {}).c_str(), 0);
    }
    fd_.reset();
    Open(mode);
}

void TemporaryFile::Commit() {
    struct stat st {};
    bool marked = false; // by us, in the mode `st` holds
    if (named_.empty()) {
        // A destination that does not exist yet takes the finished file's name at once.
        if (LinkNameless(fd_.get(), folder_, name_)) {
            return;
        }
        if (errno != EEXIST) {
            throw FromErrno(errno, err::PathNotFound);
        }
        RemoveLeftovers(folder_);
        // Marked before it has a name: one left there by an ended process is then known for
        // ours. A mode that already has the mark is the writer's own and stays.
        marked = ::fstat(fd_.get(), &st) == 0 && (st.st_mode & kMark) == 0 &&
                 ::fchmod(fd_.get(), (st.st_mode & 07777) | kMark) == 0;
        ::flock(fd_.get(), LOCK_EX); // held by the name it is about to take
        std::string named = TemporaryName();
        while (!LinkNameless(fd_.get(), folder_, named)) {
            if (errno != EEXIST) {
                throw FromErrno(errno, err::PathNotFound);
            }
            named = TemporaryName();
        }
        named_ = std::move(named);
    } else if (::fstat(fd_.get(), &st) != 0) {
        throw FromErrno(errno);
    } else {
        marked = (st.st_mode & kMark) != 0; // given by Open, unless its writer took it off
    }
    // The mark goes before the rename, so that the destination never carries it: a process
    // ended between the two leaves an unmarked file, which stays where it is.
    if (marked && ::fchmod(fd_.get(), st.st_mode & 07777 & ~kMark) != 0) {
        throw FromErrno(errno);
    }
    if (::renameat(folder_, named_.c_str(), folder_, name_.c_str()) != 0) {
        throw FromErrno(errno, err::PathNotFound);
    }
    named_.clear();
}

} // namespace vb
