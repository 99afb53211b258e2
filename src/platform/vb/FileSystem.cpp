#include "vb/FileSystem.h"

#include "vb/Descriptor.h"
#include "vb/Encoding.h"
#include "vb/Error.h"
#include "vb/FileCopier.h"
#include "vb/Folder.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
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

} // namespace

void MkDir(StringView path) {
    if (::mkdir(EncodeName(path).c_str(), 0777) != 0) {
        throw FromErrno(errno, err::PathNotFound);
    }
}

void FileCopy(StringView source, StringView destination) {
    FileCopier copy = FileCopier::Start(source, destination);
    copy.CopyData();
    copy.Finish();
}

FileTime FileDateTime(StringView path) {
    const struct stat st = StatOrRaise(EncodeName(path), err::FileNotFound);
    return FileTime(std::chrono::seconds(st.st_mtim.tv_sec));
}

std::chrono::seconds TimeStep(const Folder& folder) {
    if (gTimeStep.count() != 0) {
        return gTimeStep;
    }
    struct statfs fs {};
    const bool fat = folder && ::fstatfs(folder.fd(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
    return std::chrono::seconds(fat ? 2 : 1);
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
