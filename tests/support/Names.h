#pragma once
// A path of the test's file system as the program's text.

#include "vb/Encoding.h"

#include <filesystem>

namespace testsupport {

inline vb::String NameOf(const std::filesystem::path& path) {
    return vb::DecodeName(path.string());
}

} // namespace testsupport
