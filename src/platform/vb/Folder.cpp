#include "vb/Folder.h"

#include "vb/Encoding.h"
#include "vb/Error.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>

namespace vb {

namespace {

struct statx StatxOrRaise(const Folder& folder, const std::string& name, int flags,
                          unsigned int mask, std::int32_t missing) {
    folder.Check(name, missing);
    struct statx st {};
    if (::statx(folder.fd(), folder.Entry(name).c_str(), flags, mask, &st) != 0) {
        throw FromErrno(errno, missing);
    }
    return st;
}

FileTime SecondsOf(const struct statx& st) {
    return FileTime(std::chrono::seconds(st.stx_mtime.tv_sec));
}

} // namespace

std::pair<std::string, std::string> SplitAtFolder(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    if (cut == std::string::npos) {
        return {".", path};
    }
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

Folder Folder::Open(StringView path, Use use) {
    Folder folder;
    const std::string bytes = EncodeName(path);
    folder.pathBytes_ = bytes.size();
    auto [opened, prefix] = SplitAtFolder(bytes);
    folder.prefix_ = std::move(prefix);
    const int how = use == Use::Listing ? O_RDONLY : O_PATH;
    folder.fd_.reset(::open(opened.c_str(), how | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!folder.fd_ || ::fstat(folder.fd_.get(), &st) != 0) {
        folder.error_ = errno;
        folder.fd_.reset();
        return folder;
    }
    folder.id_ =
        FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return folder;
}

bool Folder::Fits(const std::string& name) const {
    // The kernel refuses a path that does not fit, with its NUL, in PATH_MAX bytes.
    return pathBytes_ + name.size() < PATH_MAX;
}

void Folder::Check(const std::string& name, std::int32_t missing) const {
    if (!valid()) {
        throw FromErrno(error_, missing);
    }
    if (!Fits(name)) {
        throw FromErrno(ENAMETOOLONG, missing);
    }
}

FileTime FileDateTime(const Folder& folder, const std::string& name) {
    return SecondsOf(StatxOrRaise(folder, name, 0, STATX_MTIME, err::FileNotFound));
}

std::optional<FileTime> OwnDateTime(const Folder& folder, const std::string& name) {
    const struct statx st = StatxOrRaise(folder, name, AT_SYMLINK_NOFOLLOW,
                                         STATX_TYPE | STATX_MTIME, err::FileNotFound);
    if (S_ISLNK(st.stx_mode)) {
        return std::nullopt;
    }
    return SecondsOf(st);
}

std::int64_t FileLen(const Folder& folder, const std::string& name) {
    const struct statx st =
        StatxOrRaise(folder, name, 0, STATX_TYPE | STATX_SIZE, err::FileNotFound);
    if (S_ISDIR(st.stx_mode)) {
        Raise(err::FileNotFound);
    }
    return static_cast<std::int64_t>(st.stx_size);
}

} // namespace vb
