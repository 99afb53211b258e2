#pragma once
// The lines of one INI file, as raw bytes: lookups decode only the names and values they
// compare, and an edit rewrites only the line it touches, so every other line keeps its
// bytes and its line end.

#include "vb/String.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

class IniDocument {
public:
    // Line end of lines a write adds to a file that has none yet.
    static constexpr std::string_view DefaultNewline = "\n";

    static IniDocument Parse(std::string_view bytes);

    // The value of `key` in `section`: blanks around it and one pair of enclosing quotes
    // dropped. Empty optional when the section or the key is missing. Names are matched as
    // a write puts them in the file and a read finds them again: without case, without the
    // blanks around them, as their bytes decode.
    std::optional<vb::String> Value(vb::StringView section, vb::StringView key) const;

    // Whether a write of `value` under `key` in `section` reads back as written: a name or
    // value holding a line break would spill onto lines of their own, and a key holding "="
    // or starting with ";" or "[" would be read as part of a value, a comment or a header.
    static bool Holds(vb::StringView section, vb::StringView key, vb::StringView value);

    // Replaces the value of `key` in `section`, or appends the key at the end of the
    // section, or appends the section at the end of the file. Only for what Holds accepts.
    void Set(vb::StringView section, vb::StringView key, vb::StringView value);

    std::string Bytes() const;

private:
    struct Line {
        std::string text;
        std::string end; // "\n", "\r\n", or empty on a last line without one
    };
    struct Place {
        std::optional<std::size_t> header;
        std::optional<std::size_t> key;
        std::size_t lastOfSection = 0; // last key line of the section, or its header
    };

    Place Find(vb::StringView section, vb::StringView key) const;
    void InsertAfter(std::size_t index, std::string text);
    void Append(std::string text);

    // A UTF-8 byte-order mark that some editors put before the first line: not part of
    // it, and given back on rewriting.
    bool byteOrderMark_ = false;
    std::vector<Line> lines_;
    std::string newline_{DefaultNewline}; // the file's first line end
};

} // namespace win32
