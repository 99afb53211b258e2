#pragma once
// A file being written for a destination, in the destination's folder, that only takes the
// destination's name once complete: a process ended midway never leaves a partial file
// under that name.

#include "vb/Descriptor.h"

#include <string>
#include <sys/types.h>

namespace vb {

class TemporaryFile {
public:
    // Raises 76 when the folder is missing, 70 when refused.
    static TemporaryFile Create(const std::string& destination, mode_t mode);
    // For the entry `name` of the open folder `folder`, which stays open while this lives.
    static TemporaryFile Create(int folder, std::string name, mode_t mode);
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_.get(); }
    // Drops what was written and starts a new, empty file for the same destination.
    void Restart(mode_t mode);
    // Renames the file over the destination in one step.
    void Commit();

private:
    TemporaryFile(Descriptor ownFolder, int folder, std::string name, std::string named,
                  Descriptor fd);
    // A new file in the folder: nameless when the file system allows it.
    void Open(mode_t mode);

    Descriptor ownFolder_; // the folder, when opened from a path here
    int folder_;
    std::string name_;
    // Where the file is while written, when the file system cannot keep it nameless
    // (empty while it has no name at all).
    std::string named_;
    Descriptor fd_;
};

} // namespace vb
