#include "win32/FileStamp.h"

#include "vb/Encoding.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>
#include <unistd.h>

namespace win32 {

namespace {

constexpr const char* kDosAttributes = "user.DOSATTRIB";

// What `get(buffer, size)` puts in a buffer made larger for as long as it is too small;
// none when it fails otherwise.
template <typename Get> std::optional<std::string> Grown(const Get& get) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = get(buffer.data(), buffer.size());
        if (n >= 0) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        if (errno != ERANGE) {
            return std::nullopt;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::string> ReadDosAttributes(const std::string& path) {
    return Grown([&path](char* buffer, std::size_t size) {
        return ::getxattr(path.c_str(), kDosAttributes, buffer, size);
    });
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

void CopyExtendedAttributes(int from, int to) {
    const auto names =
        Grown([from](char* buffer, std::size_t size) { return ::flistxattr(from, buffer, size); });
    if (!names) {
        return;
    }
    for (std::size_t at = 0; at < names->size();) {
        const char* const name = names->c_str() + at;
        at += std::strlen(name) + 1;
        const auto value = Grown([from, name](char* buffer, std::size_t size) {
            return ::fgetxattr(from, name, buffer, size);
        });
        if (value) {
            ::fsetxattr(to, name, value->data(), value->size(), 0);
        }
    }
}

} // namespace win32
