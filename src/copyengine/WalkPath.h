#pragma once
// The folders on the current path of the walk, by identity: a link that leads back to one
// of them would make the walk endless.

#include "vb/FileSystem.h"
#include "vb/String.h"

#include <vector>

namespace Module7 {

class WalkPath {
public:
    // `folder` joins the path for the lifetime of this object (when it can be identified).
    explicit WalkPath(vb::StringView folder);
    ~WalkPath();
    WalkPath(const WalkPath&) = delete;
    WalkPath& operator=(const WalkPath&) = delete;

    // Whether `folder` is one of the folders on the path.
    static bool Contains(vb::StringView folder);

private:
    bool entered_ = false;
};

} // namespace Module7
