#pragma once
// The descriptors this process may still open: its limit (RLIMIT_NOFILE) less those open.

#include <cstddef>

namespace Module7 {

std::size_t DescriptorsLeft();

} // namespace Module7
