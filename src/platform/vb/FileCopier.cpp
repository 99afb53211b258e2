#include "vb/FileCopier.h"

#include "vb/Encoding.h"
#include "vb/Error.h"
#include "vb/Folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <unistd.h>
#include <utility>

namespace vb {

namespace {

bool KernelCannot(int e) {
    return e == EXDEV || e == EINVAL || e == ENOSYS || e == EOPNOTSUPP || e == ENOTTY;
}

// The ways of copying the kernel refused for files of the last source device, so that a
// tree of many small files does not pay failing calls for each one. Each thread learns
// them for itself.
struct Refusals {
    dev_t device = 0;
    bool clone = false;
    bool range = false;
};

Refusals& RefusalsFor(dev_t device) {
    thread_local Refusals refused;
    if (refused.device != device) {
        refused = Refusals{device};
    }
    return refused;
}

// What one call copies at most: with a thread per CPU, at most a few tens of MiB are being
// copied at once.
constexpr std::int64_t kMostPerCall = std::int64_t{8} << 20;

// Copies `size` bytes in the kernel; false when this way is not offered for these files
// and nothing was written yet.
template <typename Call> bool KernelCopy(std::int64_t size, Call call) {
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = call(static_cast<std::size_t>(std::min(size - done, kMostPerCall)));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            break; // the source got shorter meanwhile
        } else if (errno == EINTR) {
            continue;
        } else if (done == 0 && KernelCannot(errno)) {
            return false;
        } else {
            throw FromErrno(errno);
        }
    }
    return true;
}

// Copies the `length` bytes at `offset` to the same place of `out`.
void CopyRange(int in, int out, off_t offset, std::int64_t length, Refusals& refused) {
    if (!refused.range) {
        off_t from = offset;
        off_t to = offset;
        if (KernelCopy(length, [&](std::size_t count) {
                return ::copy_file_range(in, &from, out, &to, count, 0);
            })) {
            return;
        }
        refused.range = true;
    }
    // sendfile writes where `out` stands, which is its start until a part is written.
    if (offset != 0 && ::lseek(out, offset, SEEK_SET) < 0) {
        throw FromErrno(errno);
    }
    if (!KernelCopy(length,
                    [&](std::size_t count) { return ::sendfile(out, in, &offset, count); })) {
        throw FromErrno(EIO);
    }
}

// A sparse file keeps its holes: only the parts that hold data are copied, so that a
// large disk image does not fill the destination with zeros.
void CopyDataParts(int in, int out, std::int64_t size, Refusals& refused) {
    off_t at = 0;
    while (at < size) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0 && errno != ENXIO) {
            CopyRange(in, out, at, size - at, refused); // holes not reported here
            return;
        }
        if (data < 0 || data >= size) {
            break; // a hole up to the end
        }
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > size) {
            hole = size;
        }
        CopyRange(in, out, data, hole - data, refused);
        at = hole;
    }
    if (::ftruncate(out, size) != 0) {
        throw FromErrno(errno);
    }
}

// The source `path` of the folder `at`, opened, and its status: a named pipe, a device or a
// folder is refused.
std::pair<Descriptor, struct stat> OpenSource(int at, const char* path) {
    // O_NONBLOCK so that a named pipe is refused instead of waiting for a writer.
    Descriptor in(::openat(at, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st {};
    if (!in || ::fstat(in.get(), &st) != 0) {
        throw FromErrno(errno, err::FileNotFound);
    }
    if (!S_ISREG(st.st_mode)) {
        Raise(err::PathFileAccess);
    }
    return {std::move(in), st};
}

} // namespace

FileCopier::FileCopier(Descriptor in, const struct stat& source, TemporaryFile out, bool fits)
    : in_(std::move(in)), source_(source), out_(std::move(out)), fits_(fits) {}

FileCopier FileCopier::Start(const Folder& from, const std::string& name, const Folder& to,
                             const std::string& toName) {
    from.Check(name, err::FileNotFound);
    auto [in, st] = OpenSource(from.fd(), from.Entry(name).c_str());
    if (!to) {
        throw FromErrno(to.error(), err::PathNotFound);
    }
    return FileCopier(std::move(in), st,
                      TemporaryFile::Create(to.fd(), to.Entry(toName), st.st_mode & 0777),
                      to.Fits(toName));
}

FileCopier FileCopier::Start(StringView source, StringView destination) {
    auto [in, st] = OpenSource(AT_FDCWD, EncodeName(source).c_str());
    return FileCopier(std::move(in), st,
                      TemporaryFile::Create(EncodeName(destination), st.st_mode & 0777), true);
}

void FileCopier::CopyData() {
    const std::int64_t size = source_.st_size;
    if (size == 0) {
        return;
    }
    Refusals& refused = RefusalsFor(source_.st_dev);
    if (!refused.clone) {
        if (::ioctl(out_.fd(), FICLONE, in_.get()) == 0) {
            return;
        }
        refused.clone = KernelCannot(errno);
    }
    if (source_.st_blocks * 512 < size) {
        CopyDataParts(in_.get(), out_.fd(), size, refused);
    } else {
        CopyRange(in_.get(), out_.fd(), 0, size, refused);
    }
}

std::int64_t FileCopier::SourceLength() const {
    struct stat st {};
    if (::fstat(in_.get(), &st) != 0) {
        throw FromErrno(errno);
    }
    return st.st_size;
}

void FileCopier::Finish() {
    const struct timespec times[2] = {{0, UTIME_OMIT}, source_.st_mtim};
    if (::futimens(out_.fd(), times) != 0) {
        throw FromErrno(errno);
    }
    if (!fits_) {
        throw FromErrno(ENAMETOOLONG, err::PathNotFound);
    }
    out_.Commit();
}

} // namespace vb
