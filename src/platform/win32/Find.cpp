#include "win32/Find.h"

#include "vb/App.h"
#include "vb/DirStream.h"
#include "vb/Encoding.h"
#include "vb/Folder.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace win32 {

namespace {

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

std::uint32_t Attributes(int folder, const char* name, unsigned char type) {
    struct stat st {};
    if (type == DT_UNKNOWN) { // not told by the listing, or no listing at hand
        if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return FILE_ATTRIBUTE_NORMAL;
        }
        type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    }
    if (type == DT_DIR) {
        return FILE_ATTRIBUTE_DIRECTORY;
    }
    if (type != DT_LNK) {
        return FILE_ATTRIBUTE_NORMAL;
    }
    // A link counts as what it leads to (a dangling one as a plain entry) and shows that it
    // is a link.
    const bool isFolder = ::fstatat(folder, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    return (isFolder ? FILE_ATTRIBUTE_DIRECTORY : 0) | FILE_ATTRIBUTE_REPARSE_POINT;
}

// The order of the Windows file systems: letters without regard to case, then exact.
bool NameBefore(vb::StringView a, vb::StringView b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const vb::Char ua = vb::UpperChar(a[i]);
        const vb::Char ub = vb::UpperChar(b[i]);
        if (ua != ub) {
            return ua < ub;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

void Fill(WIN32_FIND_DATA& data, const vb::String& name, std::uint32_t attributes) {
    data.dwFileAttributes = attributes;
    data.cFileName.assign(name);
    if (data.cFileName.size() < MAX_PATH) {
        data.cFileName.resize(MAX_PATH, u'\0');
    }
}

// Every entry of `dir` that matches `pattern`: "." and ".." first, then sorted by name.
std::vector<FolderEntry> ReadEntries(DIR* dir, vb::StringView pattern) {
    std::vector<FolderEntry> dots;
    std::vector<FolderEntry> others;
    while (const dirent* entry = ::readdir(dir)) {
        vb::String name = vb::DecodeName(entry->d_name);
        if (!MatchesPattern(name, pattern)) {
            continue;
        }
        const std::uint32_t attributes = Attributes(::dirfd(dir), entry->d_name, entry->d_type);
        (IsDotEntry(entry->d_name) ? dots : others)
            .push_back({std::move(name), entry->d_name, attributes});
    }
    std::sort(others.begin(), others.end(),
              [](const auto& a, const auto& b) { return NameBefore(a.name, b.name); });
    std::sort(dots.begin(), dots.end(),
              [](const auto& a, const auto& b) { return a.name.size() < b.name.size(); });
    others.insert(others.begin(), std::make_move_iterator(dots.begin()),
                  std::make_move_iterator(dots.end()));
    return others;
}

} // namespace

SearchHandle::SearchHandle(SearchHandle&& other) noexcept
    : entries_(std::move(other.entries_)), next_(std::exchange(other.next_, 0)),
      open_(std::exchange(other.open_, false)) {}

SearchHandle& SearchHandle::operator=(SearchHandle&& other) noexcept {
    if (this != &other) {
        entries_ = std::move(other.entries_);
        next_ = std::exchange(other.next_, 0);
        open_ = std::exchange(other.open_, false);
    }
    return *this;
}

namespace {

// A pattern that ends in "*." takes the names without an extension, as the Windows search
// does: its last "*" takes no "." of the name, and the final "." stands for the end of the
// name or a "." that ends it. So "*." takes README, "." and "..", and leaves a.txt out.
bool MatchesWithoutExtension(vb::StringView name, vb::StringView head) {
    if (name.ends_with(u'.')) {
        name.remove_suffix(1);
        return MatchesPattern(name, vb::String(head) + u'*');
    }
    const std::size_t dot = name.rfind(u'.');
    for (std::size_t end = dot == vb::StringView::npos ? 0 : dot + 1; end <= name.size(); ++end) {
        if (MatchesPattern(name.substr(0, end), head)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool MatchesPattern(vb::StringView name, vb::StringView pattern) {
    if (pattern == u"*.*" || pattern == u"*") {
        return true;
    }
    if (pattern.ends_with(u"*.")) {
        return MatchesWithoutExtension(name, pattern.substr(0, pattern.size() - 2));
    }
    // Greedy walk that goes back to the last "*" on a mismatch.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = vb::String::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' || vb::UpperChar(pattern[p]) == vb::UpperChar(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != vb::String::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

SearchHandle FindFirstFile(vb::StringView pathAndPattern, WIN32_FIND_DATA& data) {
    const std::size_t cut = pathAndPattern.rfind(vb::PathSeparator);
    const vb::StringView folder =
        cut == vb::StringView::npos ? vb::StringView(u".") : pathAndPattern.substr(0, cut + 1);
    const vb::StringView pattern =
        cut == vb::StringView::npos ? pathAndPattern : pathAndPattern.substr(cut + 1);

    SearchHandle handle;
    const vb::DirStream dir(::opendir(vb::EncodeName(folder).c_str()));
    if (!dir) {
        return handle;
    }
    handle.entries_ = ReadEntries(dir.get(), pattern);
    if (handle.entries_.empty()) {
        return handle;
    }
    handle.open_ = true;
    FindNextFile(handle, data);
    return handle;
}

bool FindNextFile(SearchHandle& handle, WIN32_FIND_DATA& data) {
    if (!handle.open_ || handle.next_ >= handle.entries_.size()) {
        return false;
    }
    const auto& entry = handle.entries_[handle.next_++];
    Fill(data, entry.name, entry.attributes);
    return true;
}

bool FindClose(SearchHandle& handle) {
    if (!handle.open_) {
        return false;
    }
    handle.open_ = false;
    handle.entries_.clear();
    handle.entries_.shrink_to_fit();
    handle.next_ = 0;
    return true;
}

std::vector<FolderEntry> ReadFolder(const vb::Folder& folder, vb::StringView pattern) {
    const vb::DirStream dir = vb::ListFolder(::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 0));
    if (!dir) {
        return {};
    }
    ::rewinddir(dir.get());
    if (folder.prefix().empty()) {
        return ReadEntries(dir.get(), pattern);
    }
    return ReadEntries(dir.get(), vb::DecodeName(folder.prefix()) + vb::String(pattern));
}

std::uint32_t AttributesOf(int folder, const std::string& name) {
    return Attributes(folder, name.c_str(), DT_UNKNOWN);
}

} // namespace win32
