#include "vb/FileCopier.h"

#include "vb/Encoding.h"
#include "vb/Error.h"
#include "vb/Files.h"
#include "vb/Folder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <optional>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/statfs.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace vb {

namespace {

std::function<void()> gBeforeCopyData;

bool KernelCannot(int e) {
    return e == EXDEV || e == EINVAL || e == ENOSYS || e == EOPNOTSUPP || e == ENOTTY;
}

// What was learnt of the files of the last source device, so that a tree of many small
// files does not pay failing calls or questions for each one. Each thread learns it for
// itself.
struct Device {
    dev_t id = 0;
    bool clone = false; // refused
    bool range = false; // refused
    std::optional<bool> kernels;
};

Device& DeviceOf(dev_t id) {
    thread_local Device device;
    if (device.id != id) {
        device = Device{};
        device.id = id;
    }
    return device;
}

// Whether `fd` lies on one of the kernel's own file systems (/proc, /sys and the like),
// whose lengths and times say nothing of what reading gives.
bool OfTheKernel(int fd, Device& device) {
    if (!device.kernels) {
        struct statfs fs {};
        const auto type = ::fstatfs(fd, &fs) == 0 ? fs.f_type : 0;
        device.kernels = std::ranges::any_of(
            std::array{PROC_SUPER_MAGIC, SYSFS_MAGIC, DEBUGFS_MAGIC, TRACEFS_MAGIC,
                       SECURITYFS_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC},
            [&](auto magic) { return type == static_cast<decltype(type)>(magic); });
    }
    return *device.kernels;
}

struct stat Status(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        throw FromErrno(errno);
    }
    return st;
}

std::chrono::nanoseconds Since(const timespec& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// Both looks are at the one open file, whose identity cannot change.
bool Unchanged(const struct stat& noted, const struct stat& now) {
    return now.st_size == noted.st_size && Since(now.st_mtim) == Since(noted.st_mtim) &&
           Since(now.st_ctim) == Since(noted.st_ctim);
}

// A change made in the last moments may still be being written, and a kernel that keeps
// times to its clock tick leaves them as they were for a change within the same tick as the
// noting. A source changed that recently is noted again once this has passed (once: one
// that changes all the time is then seen changing), so that a change after the noting shows.
constexpr std::chrono::milliseconds kSettling{20};

// The source's state as the copy starts from it.
struct stat Note(int fd) {
    for (int look = 0;; ++look) {
        // The clock before the status: a change older than kSettling then came before the tick
        // the status was taken in.
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const struct stat st = Status(fd);
        const auto age = Since(now) - Since(st.st_ctim);
        // A change time more than kSettling ahead of the clock comes from another clock (a FAT
        // disk written in another time zone, a file server's): it tells nothing of how recent
        // the change is, and waiting would slow every such file down.
        if (look > 0 || age >= kSettling || age <= -kSettling || !S_ISREG(st.st_mode) ||
            OfTheKernel(fd, DeviceOf(st.st_dev))) {
            return st;
        }
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(kSettling - age, kSettling));
    }
}

// A cut sets the file's length at once, and its times only once the blocks past the new end
// are freed: up to a second for a large file on ext4. A source whose length moved while its
// times did not is waited for, this long at most, so that the cut is over when the source
// is noted again.
constexpr std::chrono::seconds kMostForTimes{2};

void AwaitTimes(int fd, const struct stat& noted) {
    for (std::chrono::milliseconds waited{0}; waited < kMostForTimes; waited += kSettling) {
        const struct stat now = Status(fd);
        if (now.st_size == noted.st_size || Since(now.st_ctim) != Since(noted.st_ctim)) {
            return;
        }
        std::this_thread::sleep_for(kSettling);
    }
}

// What one call copies at most: with a thread per CPU, at most a few tens of MiB are being
// copied at once.
constexpr std::int64_t kMostPerCall = std::int64_t{8} << 20;

// Copies up to `size` bytes in the kernel: how many, fewer when the source ended sooner;
// nothing when this way is not offered for these files and nothing was written yet.
template <typename Call> std::optional<std::int64_t> KernelCopy(std::int64_t size, Call call) {
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = call(static_cast<std::size_t>(std::min(size - done, kMostPerCall)));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            break;
        } else if (errno == EINTR) {
            continue;
        } else if (done == 0 && KernelCannot(errno)) {
            return std::nullopt;
        } else {
            throw FromErrno(errno);
        }
    }
    return done;
}

// Copies the `length` bytes at `offset` to the same place of `out`; false when the source
// ended sooner.
bool CopyRange(int in, int out, off_t offset, std::int64_t length, Device& device) {
    if (!device.range) {
        off_t from = offset;
        off_t to = offset;
        if (const auto done = KernelCopy(length, [&](std::size_t count) {
                return ::copy_file_range(in, &from, out, &to, count, 0);
            })) {
            return *done == length;
        }
        device.range = true;
    }
    // sendfile writes where `out` stands, which is its start until a part is written.
    if (offset != 0 && ::lseek(out, offset, SEEK_SET) < 0) {
        throw FromErrno(errno);
    }
    const auto done =
        KernelCopy(length, [&](std::size_t count) { return ::sendfile(out, in, &offset, count); });
    if (!done) {
        throw FromErrno(EIO);
    }
    return *done == length;
}

// A sparse file keeps its holes: only the parts that hold data are copied, so that a
// large disk image does not fill the destination with zeros. False when the source ended
// sooner.
bool CopyDataParts(int in, int out, std::int64_t size, Device& device) {
    off_t at = 0;
    while (at < size) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0 && errno != ENXIO) {
            return CopyRange(in, out, at, size - at, device); // holes not reported here
        }
        if (data < 0 || data >= size) {
            // A hole up to the end: the copy takes the length, which the source's state,
            // looked at afterwards, confirms.
            if (::ftruncate(out, size) != 0) {
                throw FromErrno(errno);
            }
            return true;
        }
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > size) {
            hole = size;
        }
        if (!CopyRange(in, out, data, hole - data, device)) {
            return false;
        }
        at = hole;
    }
    return true;
}

// Copies what reading finds, up to its end, for a file whose length is not its content.
// False when reading goes past the noted length while the file's state changes (a file
// growing as it is read is not chased).
bool CopyAsRead(int in, int out, const struct stat& noted) {
    std::array<char, 16384> buffer{};
    std::int64_t done = 0;
    while (true) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FromErrno(errno);
        }
        if (n == 0) {
            return true;
        }
        WriteAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        done += n;
        if (done > noted.st_size && !Unchanged(noted, Status(in))) {
            return false;
        }
    }
}

// Whether the length of the file says nothing of its content: 0 for /proc files, a page
// for /sys ones, and a file of a page at most with no blocks, as such files show elsewhere.
bool LengthIsNotContent(const struct stat& st, int fd, Device& device) {
    static const long page = ::sysconf(_SC_PAGESIZE);
    return st.st_size == 0 || (st.st_blocks == 0 && st.st_size <= page) || OfTheKernel(fd, device);
}

// The source `path` of the folder `at`, opened, and its state: a named pipe, a device or a
// folder is refused.
std::pair<Descriptor, struct stat> OpenSource(int at, const char* path) {
    // O_NONBLOCK so that a named pipe is refused instead of waiting for a writer.
    Descriptor in(::openat(at, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in) {
        throw FromErrno(errno, err::FileNotFound);
    }
    const struct stat st = Note(in.get());
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
    for (int attempt = 1;; ++attempt) {
        if (CopyAsNoted()) {
            copied_ = true;
            return;
        }
        if (attempt == 2) {
            Raise(err::PermissionDenied); // being written: in use by another program
        }
        AwaitTimes(in_.get(), source_);
        source_ = Note(in_.get());
        out_.Restart(source_.st_mode & 0777);
        // Reading it, or looking for its data, moved its offset (a pipe-like file has none).
        if (::lseek(in_.get(), 0, SEEK_SET) < 0 && errno != ESPIPE) {
            throw FromErrno(errno);
        }
    }
}

bool FileCopier::CopyAsNoted() {
    if (gBeforeCopyData) {
        gBeforeCopyData();
    }
    const int in = in_.get();
    const int out = out_.fd();
    Device& device = DeviceOf(source_.st_dev);
    bool whole = true;
    if (LengthIsNotContent(source_, in, device)) {
        whole = CopyAsRead(in, out, source_);
    } else if (device.clone || ::ioctl(out, FICLONE, in) != 0) {
        device.clone = device.clone || KernelCannot(errno);
        const std::int64_t size = source_.st_size;
        whole = source_.st_blocks * 512 < size ? CopyDataParts(in, out, size, device)
                                               : CopyRange(in, out, 0, size, device);
    }
    // A read that ended before the noted length, or a length or time that moved: the
    // source changed while it was read.
    return whole && Unchanged(source_, Status(in));
}

std::int64_t FileCopier::SourceLength() const {
    return copied_ ? source_.st_size : Status(in_.get()).st_size;
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

namespace testing {
void SetBeforeCopyData(std::function<void()> step) {
    gBeforeCopyData = std::move(step);
}
} // namespace testing

} // namespace vb
