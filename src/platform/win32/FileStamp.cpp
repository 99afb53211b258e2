#include "win32/FileStamp.h"

#include "vb/Encoding.h"

#include <cerrno>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace win32 {

namespace {

constexpr const char* kDosAttributes = "user.DOSATTRIB";

std::optional<std::string> ReadDosAttributes(const std::string& path) {
    std::vector<char> value(256);
    while (true) {
        const ssize_t n = ::getxattr(path.c_str(), kDosAttributes, value.data(), value.size());
        if (n >= 0) {
            return std::string(value.data(), static_cast<std::size_t>(n));
        }
        if (errno != ERANGE) {
            return std::nullopt;
        }
        const ssize_t needed = ::getxattr(path.c_str(), kDosAttributes, nullptr, 0);
        if (needed < 0) {
            return std::nullopt;
        }
        value.resize(static_cast<std::size_t>(needed) + 1);
    }
}

} // namespace

std::optional<FileStamp> ReadFileStamp(vb::StringView path) {
    const std::string bytes = vb::EncodeName(path);
    struct stat st {};
    if (bytes.empty() || ::stat(bytes.c_str(), &st) != 0) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.regularFile = S_ISREG(st.st_mode);
    stamp.owner = st.st_uid;
    stamp.group = st.st_gid;
    stamp.permissions = st.st_mode & 0777;
    stamp.lastAccess = st.st_atim;
    stamp.lastWrite = st.st_mtim;
    stamp.dosAttributes = ReadDosAttributes(bytes);
    return stamp;
}

void ApplyFileStamp(int fd, const FileStamp& stamp) {
    // Before the permissions, which a change of owner may clear. A run as root must not take
    // a user's file away from its user.
    [[maybe_unused]] const int owned = ::fchown(fd, stamp.owner, stamp.group);
    ::fchmod(fd, stamp.permissions);
    if (stamp.dosAttributes) {
        ::fsetxattr(fd, kDosAttributes, stamp.dosAttributes->data(), stamp.dosAttributes->size(),
                    0);
    }
    const timespec times[2] = {stamp.lastAccess, stamp.lastWrite};
    ::futimens(fd, times);
}

} // namespace win32
