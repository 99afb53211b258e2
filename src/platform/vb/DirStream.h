#pragma once
// Owns the listing of a folder and closes it, with its descriptor, when it goes out of scope.

#include <dirent.h>
#include <memory>
#include <unistd.h>

namespace vb {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirStream = std::unique_ptr<DIR, DirCloser>;

// The listing of the open folder `fd`, which it then owns: null, with `fd` closed, when the
// folder cannot be listed.
inline DirStream ListFolder(int fd) {
    if (fd < 0) {
        return {};
    }
    DIR* const dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
    }
    return DirStream(dir);
}

} // namespace vb
