#include "win32/ProfileFile.h"

#include "vb/Error.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

namespace {

void (*beforeReplace)() = nullptr;

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw vb::FromErrno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

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

// Makes the rename itself durable; the file's content is already synced.
void SyncFolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const vb::Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!committed_) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }
    void Commit() { committed_ = true; }

private:
    std::string path_;
    bool committed_ = false;
};

} // namespace

std::optional<FileContent> ReadFileContent(const std::string& path, bool forUpdate) {
    const vb::Descriptor fd(::open(path.c_str(), (forUpdate ? O_RDWR : O_RDONLY) | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw vb::FromErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        throw vb::FromErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        vb::Raise(vb::err::PathFileAccess);
    }
    return FileContent{ReadAll(fd.get()), st.st_mode, st.st_uid, st.st_gid};
}

std::string WriteTarget(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

FileLock::FileLock(const std::string& path)
    : fd_(::open((path + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666)) {
    if (!fd_) {
        throw vb::FromErrno(errno, vb::err::PathNotFound);
    }
    while (::flock(fd_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            throw vb::FromErrno(errno);
        }
    }
}

void ReplaceFileContent(const std::string& path, std::string_view bytes,
                        const std::optional<FileContent>& previous) {
    // Only one writer holds the lock, so a fixed name is safe; one left behind by a killed
    // writer is simply replaced.
    TemporaryFile temp(path + ".tmp");
    if (::unlink(temp.path().c_str()) != 0 && errno != ENOENT) {
        throw vb::FromErrno(errno);
    }
    vb::Descriptor fd(
        ::open(temp.path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd) {
        throw vb::FromErrno(errno, vb::err::PathNotFound);
    }
    if (previous) {
        if (::fchown(fd.get(), previous->owner, previous->group) != 0) {
            // Only a privileged writer may give the file back to its owner.
        }
        ::fchmod(fd.get(), previous->mode & 07777);
    }
    WriteAll(fd.get(), bytes);
    if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0) {
        throw vb::FromErrno(errno);
    }
    if (beforeReplace != nullptr) {
        beforeReplace();
    }
    if (::rename(temp.path().c_str(), path.c_str()) != 0) {
        throw vb::FromErrno(errno);
    }
    temp.Commit();
    SyncFolderOf(path);
}

namespace testing {
void SetBeforeReplaceHook(void (*hook)()) {
    beforeReplace = hook;
}
} // namespace testing

} // namespace win32
