#pragma once
// The Windows directory search: find-first / find-next / find-close over a folder and a
// pattern, with the entry's attributes and whole name in a find record.

#include "vb/String.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vb {
class Folder;
} // namespace vb

namespace win32 {

inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 16;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 128;
inline constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 1024; // a symbolic link
inline constexpr std::size_t MAX_PATH = 260;

struct WIN32_FIND_DATA {
    std::uint32_t dwFileAttributes = 0;
    // The name, padded with NULs to MAX_PATH characters; a longer name is kept whole.
    vb::String cFileName;
};

// One entry of a folder as the search lists it, with its name as the file system holds it.
struct FolderEntry {
    vb::String name;
    std::string bytes;
    std::uint32_t attributes = 0;
};

// An open search; closes itself when it goes out of scope. A search that could not start
// is an invalid handle.
class SearchHandle {
public:
    SearchHandle() = default;
    SearchHandle(SearchHandle&& other) noexcept;
    SearchHandle& operator=(SearchHandle&& other) noexcept;
    SearchHandle(const SearchHandle&) = delete;
    SearchHandle& operator=(const SearchHandle&) = delete;

    bool valid() const { return open_; }
    explicit operator bool() const { return valid(); }

private:
    friend SearchHandle FindFirstFile(vb::StringView, WIN32_FIND_DATA&);
    friend bool FindNextFile(SearchHandle&, WIN32_FIND_DATA&);
    friend bool FindClose(SearchHandle&);

    std::vector<FolderEntry> entries_;
    std::size_t next_ = 0;
    bool open_ = false;
};

// Starts a search of `pathAndPattern` (a folder, its separator, then a pattern where "*"
// and "?" match without regard to case, "*.*" matches every name and "*." the names without
// an extension). "." and ".." come first when they match, then the other entries sorted by
// name. Links are followed for the folder bit and carry the reparse-point bit. Returns an
// invalid handle when the folder cannot be read or nothing matches; `data` then holds
// nothing.
SearchHandle FindFirstFile(vb::StringView pathAndPattern, WIN32_FIND_DATA& data);
// The next entry; false when there is none (or the handle is not a valid search).
bool FindNextFile(SearchHandle& handle, WIN32_FIND_DATA& data);
// Ends the search; false when the handle was not a valid one.
bool FindClose(SearchHandle& handle);

// Whether `name` matches the search pattern `pattern`.
bool MatchesPattern(vb::StringView name, vb::StringView pattern);

// The entries a search of the open folder's path followed by `pattern` lists, in its order;
// empty when the folder cannot be read.
std::vector<FolderEntry> ReadFolder(const vb::Folder& folder, vb::StringView pattern);
// The attributes a search gives the entry `name` of the folder open as `folder` now.
std::uint32_t AttributesOf(int folder, const std::string& name);

} // namespace win32
