#include "copyengine/WalkPath.h"

#include "vb/Error.h"

#include <algorithm>
#include <optional>

namespace Module7 {

namespace {

std::vector<vb::FileId>& Folders() {
    static std::vector<vb::FileId> folders;
    return folders;
}

std::optional<vb::FileId> IdentityOf(vb::StringView folder) {
    try {
        return vb::FileIdentity(folder);
    } catch (const vb::Error&) {
        return std::nullopt;
    }
}

} // namespace

WalkPath::WalkPath(vb::StringView folder) {
    if (const auto id = IdentityOf(folder)) {
        Folders().push_back(*id);
        entered_ = true;
    }
}

WalkPath::~WalkPath() {
    if (entered_) {
        Folders().pop_back();
    }
}

bool WalkPath::Contains(vb::StringView folder) {
    const auto id = IdentityOf(folder);
    return id && std::find(Folders().begin(), Folders().end(), *id) != Folders().end();
}

} // namespace Module7
