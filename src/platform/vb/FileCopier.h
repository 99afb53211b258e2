#pragma once
// One file's copy, taken in steps so that another thread can do it: start (source and
// temporary file opened, the source's state noted), the data, and the finish (the noted
// last-write time, then the final name). A copy that is not finished leaves nothing under
// the destination's name.

#include "vb/Descriptor.h"
#include "vb/String.h"
#include "vb/TemporaryFile.h"

#include <cstdint>
#include <functional>
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

    // Copies the data, at most 8 MiB at a time, as the source stood when its state was noted:
    // a source whose length or times changed meanwhile is copied once more into a fresh file,
    // and one that changes again raises 70, as a file in use by another program does.
    void CopyData();
    // Gives the copy the last-write time noted with the data copied, then the destination's
    // name.
    void Finish();
    // The source's length now, as FileLen gives it: once the data is copied, the one the
    // source kept through the copy.
    std::int64_t SourceLength() const;

private:
    FileCopier(Descriptor in, const struct stat& source, TemporaryFile out, bool fits);
    // False when the source did not stay as noted.
    bool CopyAsNoted();

    Descriptor in_;
    struct stat source_ {}; // as noted when the data copied began
    TemporaryFile out_;
    bool fits_;           // whether the destination's whole path is one the system takes
    bool copied_ = false; // the data copied, the source seen as noted after it
};

namespace testing {
// Runs `step` each time a copy is about to read its source's data, once the source's state
// is noted; an empty one runs nothing.
void SetBeforeCopyData(std::function<void()> step);
} // namespace testing

} // namespace vb
