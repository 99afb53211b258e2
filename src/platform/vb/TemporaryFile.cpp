#include "vb/TemporaryFile.h"

#include "vb/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace vb {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string::npos ? std::string("./") : path.substr(0, cut + 1);
}

// A name in `folder` that no other copy of this or another process uses at the moment.
std::string TemporaryName(const std::string& folder) {
    static unsigned long counter = 0;
    return folder + ".quorvel-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
           ".tmp";
}

// Set once linking through /proc has been needed (no right to link a descriptor directly).
bool gLinkNeedsProc = false;

// Gives the nameless file behind `fd` the name `path`.
bool LinkNameless(int fd, const std::string& path) {
    if (!gLinkNeedsProc) {
        if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
            return true;
        }
        if (errno != ENOENT && errno != EPERM) {
            return false;
        }
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return false;
    }
    gLinkNeedsProc = true;
    return true;
}

} // namespace

TemporaryFile::TemporaryFile(std::string destination, std::string named, Descriptor fd)
    : destination_(std::move(destination)), named_(std::move(named)), fd_(std::move(fd)) {}

TemporaryFile TemporaryFile::Create(std::string destination, mode_t mode) {
    const std::string folder = FolderOf(destination);
    Descriptor fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (fd) {
        return TemporaryFile(std::move(destination), {}, std::move(fd));
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        throw FromErrno(errno, err::PathNotFound);
    }
    while (true) {
        std::string named = TemporaryName(folder);
        fd.reset(::open(named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd) {
            return TemporaryFile(std::move(destination), std::move(named), std::move(fd));
        }
        if (errno != EEXIST) {
            throw FromErrno(errno, err::PathNotFound);
        }
    }
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : destination_(std::move(other.destination_)), named_(std::exchange(other.named_, {})),
      fd_(std::move(other.fd_)) {}

TemporaryFile::~TemporaryFile() {
    if (!named_.empty()) {
        ::unlink(named_.c_str());
    }
}

void TemporaryFile::Commit() {
    if (named_.empty()) {
        // A destination that does not exist yet takes the finished file's name at once.
        if (LinkNameless(fd_.get(), destination_)) {
            return;
        }
        if (errno != EEXIST) {
            throw FromErrno(errno, err::PathNotFound);
        }
        std::string named = TemporaryName(FolderOf(destination_));
        while (!LinkNameless(fd_.get(), named)) {
            if (errno != EEXIST) {
                throw FromErrno(errno, err::PathNotFound);
            }
            named = TemporaryName(FolderOf(destination_));
        }
        named_ = std::move(named);
    }
    if (::rename(named_.c_str(), destination_.c_str()) != 0) {
        throw FromErrno(errno, err::PathNotFound);
    }
    named_.clear();
}

} // namespace vb
