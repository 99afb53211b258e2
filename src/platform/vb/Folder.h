#pragma once
// A folder opened once, so that statements on its entries look up one name each instead of
// walking the whole path again. They behave as their path forms do on the folder's path
// joined with the entry's name, the system's limit on a path's length included, also when
// that path does not end with a separator: "Sauve/Jour" and "a.txt" are "Sauve/Joura.txt".

#include "vb/Descriptor.h"
#include "vb/FileSystem.h"
#include "vb/String.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vb {

class Folder {
public:
    enum class Use { Listing, Statements };

    // Opens the folder `path` names up to its last separator (the working folder when it has
    // none; links followed); the rest of `path` begins the name of every entry. A folder that
    // cannot be opened keeps the reason, which every statement on its entries raises as the
    // path form would.
    static Folder Open(StringView path, Use use);

    bool valid() const { return fd_.valid(); }
    explicit operator bool() const { return valid(); }
    int fd() const { return fd_.get(); }
    int error() const { return error_; }
    const FileId& id() const { return id_; }
    // What the path holds after its last separator.
    const std::string& prefix() const { return prefix_; }
    // The name in the open folder of what the path form names by the path and `name`.
    std::string Entry(const std::string& name) const { return prefix_ + name; }

    // Whether the folder's path joined with `name` is a path the system takes.
    bool Fits(const std::string& name) const;
    // Raises what a path form raises for the entry `name`: the folder's own failure, or 52
    // when the joined path does not fit.
    void Check(const std::string& name, std::int32_t missing) const;

private:
    Descriptor fd_;
    int error_ = 0;
    FileId id_;
    std::size_t pathBytes_ = 0;
    std::string prefix_;
};

// `path` cut after its last separator: the folder ("." when it has none) and the rest.
std::pair<std::string, std::string> SplitAtFolder(const std::string& path);

// FileDateTime of the entry `name` (links followed).
FileTime FileDateTime(const Folder& folder, const std::string& name);
// The entry's own last-write time, or nothing when the entry is a link.
std::optional<FileTime> OwnDateTime(const Folder& folder, const std::string& name);
// FileLen of the entry `name`.
std::int64_t FileLen(const Folder& folder, const std::string& name);
// The step of the last-write times that the folder's file system keeps, never under a
// second: 2 seconds on the FAT family, which cuts the times it is given to even seconds;
// 1 second elsewhere and when the file system cannot be told.
std::chrono::seconds TimeStep(const Folder& folder);

} // namespace vb
