#pragma once
// What a replaced file hands on to the file written in its place: its last-access and
// last-write times and its attributes. Read-only is the owner's write permission, as Samba
// shows it; archive, hidden and system are kept, in Samba's own form, in the
// "user.DOSATTRIB" extended attribute where the file system has one. Linux keeps no
// creation time that could be set.

#include "vb/String.h"

#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

namespace win32 {

// Whether the permission bits `mode` make a file read-only, whoever writes it.
inline bool ReadOnly(mode_t mode) {
    return (mode & S_IWUSR) == 0;
}

struct FileStamp {
    // Only a plain file is replaced; a folder, a device or a pipe is not.
    bool regularFile = false;
    uid_t owner = 0;
    gid_t group = 0;
    mode_t permissions = 0;
    timespec lastAccess{};
    timespec lastWrite{};
    std::optional<std::string> dosAttributes;

    bool readOnly() const { return ReadOnly(permissions); }
};

// The stamp of the one entry named by `path` ("*" and "?" are characters of the name,
// links are followed); none when nothing is there.
std::optional<FileStamp> ReadFileStamp(vb::StringView path);

// Puts the stamp on the open file `fd`, its owner included where the process may give it;
// what its file system cannot keep is left out.
void ApplyFileStamp(int fd, const FileStamp& stamp);

// Hands on the extended attributes of the open file `from` that `to` may take: among them
// the access control list ("system.posix_acl_access") that may be what lets a user write
// it, and the DOS attributes Samba keeps ("user.DOSATTRIB").
void CopyExtendedAttributes(int from, int to);

} // namespace win32
