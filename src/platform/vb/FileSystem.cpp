#include "vb/FileSystem.h"

#include "vb/Descriptor.h"
#include "vb/Encoding.h"
#include "vb/Error.h"
#include "vb/TemporaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace vb {

namespace {

struct stat StatOrRaise(const std::string& path, std::int32_t missing) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        throw FromErrno(errno, missing);
    }
    return st;
}

FileId IdOf(const struct stat& st) {
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Set by tests in place of the file systems' own step.
std::chrono::seconds gTimeStep{0};

bool KernelCannot(int e) {
    return e == EXDEV || e == EINVAL || e == ENOSYS || e == EOPNOTSUPP || e == ENOTTY;
}

// The ways of copying the kernel refused for files of the last source device, so that a
// tree of many small files does not pay failing calls for each one.
struct Refusals {
    dev_t device = 0;
    bool clone = false;
    bool range = false;
};
Refusals gRefused;

// Copies `size` bytes in the kernel; false when this way is not offered for these files
// and nothing was written yet.
template <typename Call> bool KernelCopy(std::int64_t size, Call call) {
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = call(static_cast<std::size_t>(size - done));
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
void CopyRange(int in, int out, off_t offset, std::int64_t length) {
    if (!gRefused.range) {
        off_t from = offset;
        off_t to = offset;
        if (KernelCopy(length, [&](std::size_t count) {
                return ::copy_file_range(in, &from, out, &to, count, 0);
            })) {
            return;
        }
        gRefused.range = true;
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
void CopyDataParts(int in, int out, std::int64_t size) {
    off_t at = 0;
    while (at < size) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0 && errno != ENXIO) {
            CopyRange(in, out, at, size - at); // holes not reported here
            return;
        }
        if (data < 0 || data >= size) {
            break; // a hole up to the end
        }
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > size) {
            hole = size;
        }
        CopyRange(in, out, data, hole - data);
        at = hole;
    }
    if (::ftruncate(out, size) != 0) {
        throw FromErrno(errno);
    }
}

void CopyData(int in, int out, const struct stat& source) {
    if (source.st_size == 0) {
        return;
    }
    if (gRefused.device != source.st_dev) {
        gRefused = Refusals{source.st_dev};
    }
    if (!gRefused.clone) {
        if (::ioctl(out, FICLONE, in) == 0) {
            return;
        }
        gRefused.clone = KernelCannot(errno);
    }
    if (source.st_blocks * 512 < source.st_size) {
        CopyDataParts(in, out, source.st_size);
    } else {
        CopyRange(in, out, 0, source.st_size);
    }
}

} // namespace

void MkDir(StringView path) {
    if (::mkdir(EncodeName(path).c_str(), 0777) != 0) {
        throw FromErrno(errno, err::PathNotFound);
    }
}

void FileCopy(StringView source, StringView destination) {
    // O_NONBLOCK so that a named pipe is refused instead of waiting for a writer.
    const Descriptor in(
        ::open(EncodeName(source).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in) {
        throw FromErrno(errno, err::FileNotFound);
    }
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) {
        throw FromErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        Raise(err::PathFileAccess);
    }
    TemporaryFile out = TemporaryFile::Create(EncodeName(destination), st.st_mode & 0777);
    CopyData(in.get(), out.fd(), st);
    const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    if (::futimens(out.fd(), times) != 0) {
        throw FromErrno(errno);
    }
    out.Commit();
}

FileTime FileDateTime(StringView path) {
    const struct stat st = StatOrRaise(EncodeName(path), err::FileNotFound);
    return FileTime(std::chrono::seconds(st.st_mtim.tv_sec));
}

std::chrono::seconds TimeStep(StringView folder) {
    if (gTimeStep.count() != 0) {
        return gTimeStep;
    }
    struct statfs fs {};
    if (::statfs(EncodeName(folder).c_str(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC) {
        return std::chrono::seconds(2);
    }
    return std::chrono::seconds(1);
}

FileId FileIdentity(StringView path) {
    return IdOf(StatOrRaise(EncodeName(path), err::PathNotFound));
}

bool LiesWithin(StringView path, const FileId& folder) {
    // Up through ".." from where the path leads, as the kernel resolves it, to the root.
    Descriptor at(::open(EncodeName(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!at || ::fstat(at.get(), &st) != 0) {
        throw FromErrno(errno, err::PathNotFound);
    }
    while (IdOf(st) != folder) {
        Descriptor up(::openat(at.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat parent {};
        if (!up || ::fstat(up.get(), &parent) != 0) {
            throw FromErrno(errno, err::PathNotFound);
        }
        if (IdOf(parent) == IdOf(st)) {
            return false; // the root is its own parent
        }
        at = std::move(up);
        st = parent;
    }
    return true;
}

namespace testing {
void SetTimeStep(std::chrono::seconds step) {
    gTimeStep = step;
}
} // namespace testing

} // namespace vb
