#pragma once
// File statements of the runtime that every subsystem uses.

#include "vb/String.h"

#include <cstdint>
#include <string_view>

namespace vb {

// Length in bytes of the file `path`; raises 53 when it is missing or names a folder.
std::int64_t FileLen(StringView path);

// Appends `line` (already holding its line end) to the file `path`, creating it when
// missing: one open in append mode, one write, one close, so that lines of processes
// logging at once never interleave.
void AppendLine(StringView path, StringView line);

// Writes all of `bytes` to the descriptor `fd`, going on after an interrupted or partial
// write; raises the runtime's error of a failed one (61 when the disk is full).
void WriteAll(int fd, std::string_view bytes);

} // namespace vb
