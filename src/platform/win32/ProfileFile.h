#pragma once
// File access of the profile functions: whole-file reads that never wait on a pipe or a
// device, and a read-modify-write that writers take in turns and readers never see
// half-done. Paths are the file system's bytes.

#include "vb/Descriptor.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace win32 {

// The whole file, read under a shared lock on it so that a write in place is not seen
// midway (a lock held for more than a few seconds is not waited for); empty optional when
// it does not exist. Raises 75 when the path names something other than a regular file (a
// pipe, a device, a folder), without waiting on it; other failures raise vb::Error too.
std::optional<std::string> ReadFileBytes(const std::string& path);

// The file a write must replace: the file a symbolic link names, followed link by link, so
// the link survives; also when that file does not exist yet (a dangling link).
std::string WriteTarget(const std::string& path);

// One read-modify-write of the file `path`, with the writers' locks held for the object's
// lifetime: an exclusive flock on "<path>.lock" beside it when the folder lets it be opened
// (the lock file is never removed: removing it would let two writers lock different files),
// and one on the file itself, which is all a writer that cannot write the folder can take.
class FileUpdate {
public:
    // Raises 75 when `path` names something other than a regular file, before anything is
    // made beside it, and the error of a file that cannot be opened for writing.
    explicit FileUpdate(std::string path);

    // The content before the write; empty when the file does not exist.
    const std::optional<std::string>& previous() const { return previous_; }

    // Replaces the content: written to a temporary file, synced and renamed over the file,
    // which keeps the old one's owner, permissions and extended attributes; or, when the
    // folder refuses the temporary file or its rename, or the owner cannot be kept, or the
    // file has other names (hard links) that must keep seeing it, but the file may be
    // written, rewritten in place.
    void Write(std::string_view bytes);

private:
    bool Replace(std::string_view bytes);
    void WriteInPlace(std::string_view bytes);

    std::string path_;
    vb::Descriptor folderLock_;
    vb::Descriptor file_; // open for writing and locked, when the file exists
    std::optional<std::string> previous_;
    struct stat opened_ {}; // of the file as it was locked, when it exists
};

namespace testing {
// Called once the new content is complete, just before it replaces the old one; tests end
// the process there to check that an interrupted write leaves the old file whole.
void SetBeforeReplaceHook(void (*hook)());
} // namespace testing

} // namespace win32
