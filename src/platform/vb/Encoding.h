#pragma once
// Conversions between the runtime's 16-bit text and the bytes of files, names and sockets.

#include "vb/String.h"

#include <string>
#include <string_view>

namespace vb {

// File and folder names: UTF-8; a byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC80 + byte, which EncodeName turns back into that very byte.
String DecodeName(std::string_view bytes);
std::string EncodeName(StringView name);

// Text inside files (INI, logs): UTF-8; a byte that is not part of valid UTF-8 is read as
// Windows-1252, so an old Latin-1 file reads as its author meant.
String DecodeText(std::string_view bytes);
std::string EncodeText(StringView text); // lone surrogates of names go back to their bytes

// One character per byte (the socket): Windows-1252; unmappable characters become "?".
String DecodeWindows1252(std::string_view bytes);
std::string EncodeWindows1252(StringView text);

// Plain UTF-8 for the terminal and diagnostics (lone surrogates become U+FFFD).
std::string ToUtf8(StringView text);
// The same for text shown on a terminal, where it may come from any file name: a control
// character (C0, DEL, C1) would act on the terminal, so it is shown as U+FFFD, a tab as a
// blank.
std::string ToTerminal(StringView text);

} // namespace vb
