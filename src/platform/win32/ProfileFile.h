#pragma once
// File access of the profile functions: whole-file reads, a lock that serialises writers,
// and a replacement that is never seen half-written. Paths are the file system's bytes.

#include "vb/Descriptor.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace win32 {

struct FileContent {
    std::string bytes;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

// The whole file; empty optional when it does not exist. `forUpdate` also asks for write
// access, so that a read-only file is refused here rather than replaced by a rename.
// Other failures raise vb::Error.
std::optional<FileContent> ReadFileContent(const std::string& path, bool forUpdate);

// The file a write must replace: the target of a symbolic link, so the link survives.
std::string WriteTarget(const std::string& path);

// An exclusive advisory lock on "<path>.lock", held for the object's lifetime. The lock
// file is never removed: removing it would let two writers lock different files.
class FileLock {
public:
    explicit FileLock(const std::string& path);

private:
    vb::Descriptor fd_;
};

// Writes `bytes` to "<path>.tmp", syncs it and renames it over `path`. The new file keeps
// the permissions and owner of `previous` when there was one.
void ReplaceFileContent(const std::string& path, std::string_view bytes,
                        const std::optional<FileContent>& previous);

namespace testing {
// Called once the temporary file is complete, just before the rename; tests end the
// process there to check that an interrupted write leaves the old file whole.
void SetBeforeReplaceHook(void (*hook)());
} // namespace testing

} // namespace win32
