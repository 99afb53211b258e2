#pragma once
// The walk of one copy: the folders on its current path, by identity, and the destination
// of the whole copy. A link back to a folder on the path would make the walk endless, and
// so would the destination met inside the source: the copy would be copied into itself.

#include "vb/FileSystem.h"
#include "vb/String.h"

#include <optional>

namespace Module7 {

// What `folder` leads to; none when it cannot be reached.
std::optional<vb::FileId> IdentityOf(vb::StringView folder);

class WalkPath {
public:
    // The folder of identity `folder` (when it could be identified), whose entries are read
    // from the folder `listed` (the same one, unless the source's text does not end with a
    // separator), joins the path for the lifetime of this object; the outermost one of a
    // walk also names the walk's destination, whose entries are written in the folder `into`.
    WalkPath(std::optional<vb::FileId> folder, std::optional<vb::FileId> listed,
             vb::StringView destination, std::optional<vb::FileId> into);
    ~WalkPath();
    WalkPath(const WalkPath&) = delete;
    WalkPath& operator=(const WalkPath&) = delete;

    enum class Refusal { None, Loop, Destination };

    // Why the folder `folder`, met on the walk (`link` when its entry is a symbolic link),
    // is not to be walked: it leads back to a folder on the path, or it is the destination
    // or, being a link, leads into it. A folder that is no link lies inside the destination
    // only by being it (or when the whole source does, as the user chose), so only a link
    // is followed up to the root.
    static Refusal Refuse(vb::StringView folder, bool link);

    // The walk is about to write into the folder `folder`: a folder on the path whose entries
    // are read from it has changed since it was read.
    static void Writing(const vb::FileId& folder);
    // Whether this folder has changed so since it joined the path.
    bool changed() const;
};

} // namespace Module7
