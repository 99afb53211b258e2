#include "copyengine/WalkPath.h"

#include "vb/Error.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace Module7 {

namespace {

struct Walk {
    std::vector<vb::FileId> path;
    std::optional<vb::FileId> destination;
    int depth = 0;
};

Walk& Current() {
    static Walk walk;
    return walk;
}

std::optional<vb::FileId> IdentityOf(vb::StringView folder) {
    try {
        return vb::FileIdentity(folder);
    } catch (const vb::Error&) {
        return std::nullopt;
    }
}

bool Within(vb::StringView folder, const vb::FileId& destination) {
    try {
        return vb::LiesWithin(folder, destination);
    } catch (const vb::Error&) {
        return false;
    }
}

} // namespace

WalkPath::WalkPath(vb::StringView folder, vb::StringView destination) {
    Walk& walk = Current();
    if (walk.depth++ == 0) {
        walk.destination = IdentityOf(destination);
    }
    if (const auto id = IdentityOf(folder)) {
        walk.path.push_back(*id);
        entered_ = true;
    }
}

WalkPath::~WalkPath() {
    Walk& walk = Current();
    if (entered_) {
        walk.path.pop_back();
    }
    if (--walk.depth == 0) {
        walk.destination.reset();
    }
}

WalkPath::Refusal WalkPath::Refuse(vb::StringView folder, bool link) {
    const Walk& walk = Current();
    const auto id = IdentityOf(folder);
    if (!id) {
        return Refusal::None;
    }
    if (walk.destination && *id == *walk.destination) {
        return Refusal::Destination;
    }
    if (std::find(walk.path.begin(), walk.path.end(), *id) != walk.path.end()) {
        return Refusal::Loop;
    }
    if (link && walk.destination && Within(folder, *walk.destination)) {
        return Refusal::Destination;
    }
    return Refusal::None;
}

} // namespace Module7
