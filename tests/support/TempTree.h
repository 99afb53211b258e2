#pragma once
// A real folder tree in a fresh temporary folder, removed with everything in it at the end.

#include "vb/Encoding.h"
#include "vb/String.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

class TempTree {
public:
    TempTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp");
        }
        root_ = pattern;
    }
    ~TempTree() {
        // Folders made unreadable by a test must be opened again to be removed.
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(
                 root_, std::filesystem::directory_options::skip_permission_denied, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec)) {
                ::chmod(it->path().c_str(), 0755);
            }
        }
        std::filesystem::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // Byte path of `rel` inside the tree.
    std::string path(const std::string& rel = {}) const {
        return rel.empty() ? root_ : root_ + "/" + rel;
    }
    // The folder `rel` as the engine takes it: its text with a closing separator.
    vb::String folder(const std::string& rel) const { return vb::DecodeName(path(rel) + "/"); }
    vb::String text(const std::string& rel) const { return vb::DecodeName(path(rel)); }

    void mkdir(const std::string& rel) const { std::filesystem::create_directories(path(rel)); }
    void write(const std::string& rel, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(path(rel)).parent_path());
        std::ofstream(path(rel), std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string read(const std::string& rel) const {
        std::ifstream in(path(rel), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool isFolder(const std::string& rel) const {
        struct stat st {};
        return ::lstat(path(rel).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    void symlink(const std::string& target, const std::string& rel) const {
        if (::symlink(target.c_str(), path(rel).c_str()) != 0) {
            throw std::runtime_error("symlink");
        }
    }
    void fifo(const std::string& rel) const {
        if (::mkfifo(path(rel).c_str(), 0644) != 0) {
            throw std::runtime_error("mkfifo");
        }
    }
    // Sets the last-write time, to the nanosecond.
    void setTime(const std::string& rel, std::int64_t seconds, long nanoseconds = 0) const {
        const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        if (::utimensat(AT_FDCWD, path(rel).c_str(), times, 0) != 0) {
            throw std::runtime_error("utimensat");
        }
    }
    timespec time(const std::string& rel) const {
        struct stat st {};
        ::stat(path(rel).c_str(), &st);
        return st.st_mtim;
    }
    // Every entry under `rel`, as relative paths; folders end with "/".
    std::set<std::string> list(const std::string& rel) const {
        std::set<std::string> out;
        const std::filesystem::path base(path(rel));
        for (const auto& e : std::filesystem::recursive_directory_iterator(base)) {
            std::string name = std::filesystem::relative(e.path(), base).string();
            if (e.is_directory() && !e.is_symlink()) {
                name += "/";
            }
            out.insert(name);
        }
        return out;
    }
    // Hands the whole tree to the unprivileged user, for tests that run as that user.
    void giveTo(uid_t uid, gid_t gid) const {
        ::lchown(root_.c_str(), uid, gid);
        for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
            ::lchown(e.path().c_str(), uid, gid);
        }
    }

private:
    std::string root_;
};

} // namespace testsupport
