#include "win32/ProfileFile.h"

#include "vb/Error.h"
#include "vb/Files.h"
#include "vb/Folder.h"
#include "vb/SignalsBlocked.h"
#include "vb/TemporaryFile.h"
#include "win32/FileStamp.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace win32 {

namespace {

void (*beforeReplace)() = nullptr;

std::string ReadAll(int fd) {
    std::string bytes;
    std::array<char, 65536> chunk{};
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw vb::FromErrno(errno);
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
}

// Opens a regular file without waiting: a named pipe without a writer, or a device, would
// hold the run for ever. Invalid descriptor when the file is missing.
vb::Descriptor OpenRegular(const std::string& path, int access, struct stat& st) {
    vb::Descriptor fd(::open(path.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT) {
            return fd;
        }
        throw vb::FromErrno(errno);
    }
    if (::fstat(fd.get(), &st) != 0) {
        throw vb::FromErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        vb::Raise(vb::err::PathFileAccess);
    }
    return fd;
}

bool LockExclusive(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            throw vb::FromErrno(errno);
        }
    }
    return true;
}

// Waits for a writer that rewrites the file in place, which holds its lock for one write;
// a lock held much longer (not by a writer of ours) is not waited for. False without the lock.
bool LockShared(int fd) {
    constexpr auto kPatience = std::chrono::seconds(5);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool NamesFile(const std::string& path, const struct stat& opened) {
    struct stat now {};
    return ::stat(path.c_str(), &now) == 0 && now.st_dev == opened.st_dev &&
           now.st_ino == opened.st_ino;
}

// OpenRegular, then `lock` (false: going on without the lock). Once locked, the file may be
// one a writer has since replaced by a rename: the file that now holds the name is taken.
template <typename Lock>
vb::Descriptor OpenLocked(const std::string& path, int access, struct stat& st, Lock lock) {
    for (;;) {
        vb::Descriptor fd = OpenRegular(path, access, st);
        if (!fd || !lock(fd.get()) || NamesFile(path, st)) {
            return fd;
        }
    }
}

// Makes the rename itself durable; the file's content is already synced.
void SyncFolderOf(const std::string& path) {
    const vb::Descriptor fd(
        ::open(vb::SplitAtFolder(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

// Makes `bytes` the whole content of the file `fd`, on disk.
void Overwrite(int fd, std::string_view bytes) {
    if (::lseek(fd, 0, SEEK_SET) < 0) {
        throw vb::FromErrno(errno);
    }
    vb::WriteAll(fd, bytes);
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) {
        throw vb::FromErrno(errno);
    }
}

} // namespace

std::optional<std::string> ReadFileBytes(const std::string& path) {
    struct stat st {};
    const vb::Descriptor fd = OpenLocked(path, O_RDONLY, st, LockShared);
    if (!fd) {
        return std::nullopt;
    }
    return ReadAll(fd.get());
}

std::string WriteTarget(const std::string& path) {
    // Followed link by link rather than resolved whole, so that a link to a file not made
    // yet names where that file is to be.
    constexpr int kMostLinks = 40;
    std::string target = path;
    for (int links = 0; links < kMostLinks; ++links) {
        std::array<char, PATH_MAX> buffer{};
        const ssize_t n = ::readlink(target.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            return target; // not a link: whatever else is wrong shows when it is opened
        }
        if (static_cast<std::size_t>(n) == buffer.size()) {
            throw vb::FromErrno(ENAMETOOLONG);
        }
        const std::string link(buffer.data(), static_cast<std::size_t>(n));
        const std::string folder = vb::SplitAtFolder(target).first;
        target = link.starts_with('/') || folder == "." ? link : folder + link;
    }
    throw vb::FromErrno(ELOOP);
}

FileUpdate::FileUpdate(std::string path) : path_(std::move(path)) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        vb::Raise(vb::err::PathFileAccess);
    }
    folderLock_.reset(::open((path_ + ".lock").c_str(),
                             O_RDONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (folderLock_) {
        LockExclusive(folderLock_.get());
    } else if (errno != EACCES && errno != EPERM && errno != EROFS) {
        throw vb::FromErrno(errno, vb::err::PathNotFound);
    }
    // A writer without the lock file may have waited on a file that another writer has
    // since replaced.
    file_ = OpenLocked(path_, O_RDWR, st, LockExclusive);
    if (!file_) {
        return; // the write creates it
    }
    // Root may open any file for writing: a read-only one is left alone all the same.
    if (ReadOnly(st.st_mode)) {
        vb::Raise(vb::err::PermissionDenied);
    }
    previous_ = ReadAll(file_.get());
    opened_ = st;
}

void FileUpdate::Write(std::string_view bytes) {
    if (opened_.st_nlink > 1 || !Replace(bytes)) {
        WriteInPlace(bytes);
    }
}

// False, with the file untouched, when the folder refuses the new file or its rename while
// the file itself may be written.
bool FileUpdate::Replace(std::string_view bytes) {
    std::optional<vb::TemporaryFile> temp;
    try {
        temp.emplace(vb::TemporaryFile::Create(path_, 0666));
    } catch (const vb::Error& e) {
        if (!file_ || e.number() != vb::err::PermissionDenied) {
            throw;
        }
        return false;
    }
    if (file_) {
        // A writer that does not own the file may not give the new one to its owner: the
        // file keeps its owner by being written where it is.
        if (::fchown(temp->fd(), opened_.st_uid, opened_.st_gid) != 0) {
            return false;
        }
        ::fchmod(temp->fd(), opened_.st_mode & 07777);
        CopyExtendedAttributes(file_.get(), temp->fd());
    }
    vb::WriteAll(temp->fd(), bytes);
    if (::fsync(temp->fd()) != 0) {
        throw vb::FromErrno(errno);
    }
    if (beforeReplace != nullptr) {
        beforeReplace();
    }
    try {
        temp->Commit();
    } catch (const vb::Error& e) {
        // A sticky folder lets a user write a file of another's but not replace it.
        if (!file_ || e.number() != vb::err::PermissionDenied) {
            throw;
        }
        // Given back to this writer, who may then remove it from such a folder.
        [[maybe_unused]] const int mine = ::fchown(temp->fd(), ::geteuid(), ::getegid());
        return false;
    }
    SyncFolderOf(path_);
    return true;
}

// The file cannot be replaced, so its bytes are replaced where they are, under the lock on
// the file. Room is reserved first, so that a full disk fails the write before
// anything is overwritten; the file is cut to its new length only once written, so that a
// reader never finds it empty. A write that fails all the same (a file-size limit, a quota
// that reservation does not see, a device error) puts the old content back. A signal that
// would end the process waits until the file is whole again.
void FileUpdate::WriteInPlace(std::string_view bytes) {
    const auto size = static_cast<off_t>(bytes.size());
    if (size > 0 && ::fallocate(file_.get(), FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        throw vb::FromErrno(errno);
    }
    if (beforeReplace != nullptr) {
        beforeReplace();
    }
    const vb::SignalsBlocked whole;
    try {
        Overwrite(file_.get(), bytes);
    } catch (const vb::Error&) {
        try {
            Overwrite(file_.get(), *previous_);
        } catch (const vb::Error&) {
            // The first failure is the one to report.
        }
        throw;
    }
}

namespace testing {
void SetBeforeReplaceHook(void (*hook)()) {
    beforeReplace = hook;
}
} // namespace testing

} // namespace win32
