#pragma once
// One file's copy, taken in steps so that another thread can do it: start (source and
// temporary file opened), the data, and the finish (the source's last-write time, then the
// final name). A copy that is not finished leaves nothing under the destination's name.

#include "vb/Descriptor.h"
#include "vb/String.h"
#include "vb/TemporaryFile.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace vb {

class Folder;

class FileCopier {
public:
    // Opens the entry `name` of `from` (links followed; a named pipe, a device or a folder is
    // refused with 75) and a temporary file for the entry `toName` of `to`, raising what
    // FileCopy raises. Both folders stay open while this lives.
    static FileCopier Start(const Folder& from, const std::string& name, const Folder& to,
                            const std::string& toName);
    // The same for two paths.
    static FileCopier Start(StringView source, StringView destination);

    // Copies the data, at most 8 MiB at a time.
    void CopyData();
    // Gives the copy the source's last-write time, then the destination's name.
    void Finish();
    // The source's length now, as FileLen gives it.
    std::int64_t SourceLength() const;

private:
    FileCopier(Descriptor in, const struct stat& source, TemporaryFile out, bool fits);

    Descriptor in_;
    struct stat source_ {};
    TemporaryFile out_;
    bool fits_; // whether the destination's whole path is one the system takes
};

} // namespace vb
