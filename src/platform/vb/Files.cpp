#include "vb/Files.h"

#include "vb/Descriptor.h"
#include "vb/Encoding.h"
#include "vb/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vb {

std::int64_t FileLen(StringView path) {
    struct stat st {};
    if (::stat(EncodeName(path).c_str(), &st) != 0) {
        throw FromErrno(errno, err::FileNotFound);
    }
    if (S_ISDIR(st.st_mode)) {
        Raise(err::FileNotFound);
    }
    return st.st_size;
}

void AppendLine(StringView path, StringView line) {
    const Descriptor fd(
        ::open(EncodeName(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        throw FromErrno(errno, err::PathNotFound);
    }
    WriteAll(fd.get(), EncodeText(line));
}

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FromErrno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace vb
