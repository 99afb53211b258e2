#pragma once
// File statements of the runtime for folders and whole files: make a folder, copy a file,
// read a file's last-write time and identity. Failures raise vb::Error with the runtime's
// numbers (53, 61, 70, 75, 76...).

#include "vb/String.h"

#include <chrono>
#include <cstdint>

namespace vb {

// A last-write time as the runtime's file date gives it: in whole seconds.
using FileTime = std::chrono::sys_seconds;

// Makes one folder; its parent must exist. 75 when the name is taken, 76 when the parent
// is missing, 70 when refused.
void MkDir(StringView path);

// Copies the file `source` to `destination`, replacing it. The data goes to a temporary
// file in the destination folder, which gets the source's last-write time and permission
// bits and is then renamed over `destination`: the final name never shows a partial copy.
void FileCopy(StringView source, StringView destination);

// Last-write time of `path` (links followed), cut to the whole second; 53 when missing.
FileTime FileDateTime(StringView path);

// What a path leads to (links followed): two paths with the same identity are one folder.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};
FileId FileIdentity(StringView path);

// Whether the folder `path` (links followed) is the folder `folder` or lies somewhere
// under it; 76 when `path` is not a folder that can be reached.
bool LiesWithin(StringView path, const FileId& folder);

namespace testing {
// Makes TimeStep answer `step` for every folder (this machine may have no FAT file system
// to try); zero gives the file systems' own back.
void SetTimeStep(std::chrono::seconds step);
} // namespace testing

} // namespace vb
