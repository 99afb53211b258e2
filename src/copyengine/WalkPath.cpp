#include "copyengine/WalkPath.h"

#include "vb/Error.h"

#include <algorithm>
#include <vector>

namespace Module7 {

namespace {

struct OnPath {
    std::optional<vb::FileId> id;
    std::optional<vb::FileId> listed;
    bool changed = false;
};

struct Walk {
    std::vector<OnPath> path;
    std::optional<vb::FileId> destination;
};

Walk& Current() {
    static Walk walk;
    return walk;
}

bool Within(vb::StringView folder, const vb::FileId& destination) {
    try {
        return vb::LiesWithin(folder, destination);
    } catch (const vb::Error&) {
        return false;
    }
}

} // namespace

std::optional<vb::FileId> IdentityOf(vb::StringView folder) {
    try {
        return vb::FileIdentity(folder);
    } catch (const vb::Error&) {
        return std::nullopt;
    }
}

WalkPath::WalkPath(std::optional<vb::FileId> folder, std::optional<vb::FileId> listed,
                   vb::StringView destination, std::optional<vb::FileId> into) {
    Walk& walk = Current();
    if (walk.path.empty()) {
        // The folder the copies go into: the one its text names up to its last separator
        // (what follows only begins the copies' names).
        walk.destination = into ? into : IdentityOf(destination);
    }
    walk.path.push_back({folder, listed});
}

WalkPath::~WalkPath() {
    Walk& walk = Current();
    walk.path.pop_back();
    if (walk.path.empty()) {
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
    if (std::any_of(walk.path.begin(), walk.path.end(),
                    [&](const OnPath& p) { return p.id == id; })) {
        return Refusal::Loop;
    }
    if (link && walk.destination && Within(folder, *walk.destination)) {
        return Refusal::Destination;
    }
    return Refusal::None;
}

void WalkPath::Writing(const vb::FileId& folder) {
    for (OnPath& p : Current().path) {
        p.changed = p.changed || p.listed == folder;
    }
}

bool WalkPath::changed() const {
    return Current().path.back().changed;
}

} // namespace Module7
