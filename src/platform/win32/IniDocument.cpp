#include "win32/IniDocument.h"

#include "vb/Encoding.h"

namespace win32 {

namespace {

// Blanks around names and values in the file. The structure characters ("[", "]", "=",
// ";", quotes) are ASCII, which never occurs inside a UTF-8 sequence, so the lines can be
// cut on raw bytes and only the pieces decoded.
constexpr std::string_view kBlanks = " \t\v";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// A name as a write puts it in the file: without the blanks around it, in the bytes a
// read decodes again.
std::string NameBytes(vb::StringView name) {
    return std::string(TrimBlanks(vb::EncodeText(name)));
}

// A name as a read of the file will see it, so that it is matched as it will be read back.
vb::String ReadBack(vb::StringView name) {
    return vb::DecodeText(NameBytes(name));
}

bool OnOneLine(vb::StringView text) {
    return text.find_first_of(u"\r\n") == vb::StringView::npos;
}

// The name of a section header line: after "[", up to the last "]" or the line end, so
// that a name holding "]" is read back whole.
std::optional<std::string_view> SectionName(std::string_view line) {
    const auto start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos || line[start] != '[') {
        return std::nullopt;
    }
    std::string_view name = line.substr(start + 1);
    if (const auto close = name.rfind(']'); close != std::string_view::npos) {
        name = name.substr(0, close);
    }
    return TrimBlanks(name);
}

struct KeyLine {
    std::string_view key;
    std::size_t equals = 0;
};

// A "key=value" line that is not a comment; lines without "=" hold no key.
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    if (!key.empty() && key.front() == ';') {
        return std::nullopt;
    }
    return KeyLine{key, equals};
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\'')) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool SameName(std::string_view raw, vb::StringView wanted) {
    return vb::Equal(vb::DecodeText(raw), wanted, vb::Compare::Text);
}

} // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    if (bytes.starts_with(kByteOrderMark)) {
        doc.byteOrderMark_ = true;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    bool newlineSeen = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto lf = bytes.find('\n', pos);
        if (lf == std::string_view::npos) {
            doc.lines_.push_back({std::string(bytes.substr(pos)), {}});
            break;
        }
        const bool crlf = lf > pos && bytes[lf - 1] == '\r';
        const std::size_t textEnd = crlf ? lf - 1 : lf;
        doc.lines_.push_back({std::string(bytes.substr(pos, textEnd - pos)), crlf ? "\r\n" : "\n"});
        if (!newlineSeen) {
            doc.newline_ = doc.lines_.back().end;
            newlineSeen = true;
        }
        pos = lf + 1;
    }
    return doc;
}

bool IniDocument::Holds(vb::StringView section, vb::StringView key, vb::StringView value) {
    const std::string name = NameBytes(key);
    return OnOneLine(section) && OnOneLine(key) && OnOneLine(value) &&
           name.find('=') == std::string::npos && !name.starts_with(';') && !name.starts_with('[');
}

IniDocument::Place IniDocument::Find(vb::StringView section, vb::StringView key) const {
    const vb::String wantedSection = ReadBack(section);
    const vb::String wantedKey = ReadBack(key);
    Place place;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view text = lines_[i].text;
        if (const auto name = SectionName(text)) {
            if (place.header) {
                break; // a later section of the same name is never looked at
            }
            if (SameName(*name, wantedSection)) {
                place.header = i;
                place.lastOfSection = i;
            }
            continue;
        }
        if (!place.header) {
            continue;
        }
        if (const auto line = ParseKeyLine(text)) {
            place.lastOfSection = i;
            if (!place.key && SameName(line->key, wantedKey)) {
                place.key = i;
            }
        }
    }
    return place;
}

std::optional<vb::String> IniDocument::Value(vb::StringView section, vb::StringView key) const {
    const Place place = Find(section, key);
    if (!place.key) {
        return std::nullopt;
    }
    const std::string_view text = lines_[*place.key].text;
    const std::string_view raw = text.substr(text.find('=') + 1);
    return vb::DecodeText(Unquote(TrimBlanks(raw)));
}

void IniDocument::Set(vb::StringView section, vb::StringView key, vb::StringView value) {
    const Place place = Find(section, key);
    const std::string bytes = vb::EncodeText(value);
    if (place.key) {
        // The key keeps its spelling and the layout before its value, unless the value
        // brings blanks of its own: rewriting " 2415" must not add a blank each time.
        std::string& text = lines_[*place.key].text;
        std::size_t keep = text.find('=') + 1;
        const std::string_view old = std::string_view(text).substr(keep);
        const bool ownBlanks =
            !bytes.empty() && kBlanks.find(bytes.front()) != std::string_view::npos;
        if (!ownBlanks && !TrimBlanks(old).empty()) {
            keep += old.find_first_not_of(kBlanks);
        }
        text = text.substr(0, keep) + bytes;
        return;
    }
    std::string keyLine = NameBytes(key) + "=" + bytes;
    if (place.header) {
        InsertAfter(place.lastOfSection, std::move(keyLine));
        return;
    }
    if (!lines_.empty() && !TrimBlanks(lines_.back().text).empty()) {
        Append({});
    }
    std::string header = "[";
    header += NameBytes(section);
    header += ']';
    Append(std::move(header));
    Append(std::move(keyLine));
}

std::string IniDocument::Bytes() const {
    std::string out(byteOrderMark_ ? kByteOrderMark : std::string_view());
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

void IniDocument::InsertAfter(std::size_t index, std::string text) {
    if (lines_[index].end.empty()) {
        lines_[index].end = newline_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                  Line{std::move(text), newline_});
}

void IniDocument::Append(std::string text) {
    if (!lines_.empty() && lines_.back().end.empty()) {
        lines_.back().end = newline_;
    }
    lines_.push_back(Line{std::move(text), newline_});
}

} // namespace win32
