#include "copyengine/Descriptors.h"

#include "vb/DirStream.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>

namespace Module7 {

namespace {

// Those below `limit` that are open now.
std::size_t DescriptorsOpen(std::size_t limit) {
    if (const vb::DirStream dir(::opendir("/proc/self/fd")); dir) {
        std::size_t count = 0;
        while (const dirent* entry = ::readdir(dir.get())) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        return count > 0 ? count - 1 : 0; // less the listing's own
    }
    // Without /proc: each number asked about, up to a bound.
    std::size_t count = 0;
    for (int fd = 0; fd < static_cast<int>(std::min<std::size_t>(limit, 4096)); ++fd) {
        count += ::fcntl(fd, F_GETFD) != -1 ? 1 : 0;
    }
    return count;
}

} // namespace

std::size_t DescriptorsLeft() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > 1'000'000) {
        return 1'000'000;
    }
    const auto most = static_cast<std::size_t>(limit.rlim_cur);
    const std::size_t open = DescriptorsOpen(most);
    return most > open ? most - open : 0;
}

} // namespace Module7
