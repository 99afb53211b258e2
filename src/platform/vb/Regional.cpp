#include "vb/Regional.h"

#include "vb/Encoding.h"
#include "vb/Error.h"

#include <charconv>
#include <langinfo.h>
#include <locale.h>
#include <string>

namespace vb {

namespace {

const NumberSettings* gOverride = nullptr;

// The first character of a text in the locale's encoding (UTF-8 here); 0 when empty.
Char FirstChar(const char* text) {
    const String decoded = text != nullptr ? DecodeText(text) : String();
    return decoded.empty() ? Char{0} : decoded.front();
}

NumberSettings FromLocale() {
    NumberSettings settings;
    locale_t locale = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return settings;
    }
    if (const Char decimal = FirstChar(::nl_langinfo_l(RADIXCHAR, locale)); decimal != 0) {
        settings.decimal = decimal;
    }
    settings.grouping = FirstChar(::nl_langinfo_l(THOUSEP, locale));
    ::freelocale(locale);
    return settings;
}

bool IsDigit(Char c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

NumberSettings RegionalNumbers() {
    static const NumberSettings fromLocale = FromLocale();
    return gOverride != nullptr ? *gOverride : fromLocale;
}

void SetRegionalNumbers(const NumberSettings* settings) {
    gOverride = settings;
}

double CDbl(StringView text) {
    const NumberSettings settings = RegionalNumbers();
    const String trimmed = Trim(text);
    // Rewritten in the plain form that from_chars reads.
    std::string plain;
    std::size_t i = 0;
    if (i < trimmed.size() && (trimmed[i] == u'-' || trimmed[i] == u'+')) {
        if (trimmed[i] == u'-') {
            plain.push_back('-');
        }
        ++i;
    }
    bool digits = false;
    for (; i < trimmed.size(); ++i) {
        const Char c = trimmed[i];
        if (IsDigit(c)) {
            plain.push_back(static_cast<char>(c));
            digits = true;
        } else if (c != settings.grouping || settings.grouping == 0 || !digits ||
                   i + 1 >= trimmed.size() || !IsDigit(trimmed[i + 1])) {
            break;
        }
    }
    if (i < trimmed.size() && trimmed[i] == settings.decimal) {
        plain.push_back('.');
        for (++i; i < trimmed.size() && IsDigit(trimmed[i]); ++i) {
            plain.push_back(static_cast<char>(trimmed[i]));
            digits = true;
        }
    }
    if (digits && i < trimmed.size() && (trimmed[i] == u'E' || trimmed[i] == u'e')) {
        plain.push_back('e');
        ++i;
        if (i < trimmed.size() && (trimmed[i] == u'-' || trimmed[i] == u'+')) {
            plain.push_back(static_cast<char>(trimmed[i]));
            ++i;
        }
        const std::size_t start = i;
        for (; i < trimmed.size() && IsDigit(trimmed[i]); ++i) {
            plain.push_back(static_cast<char>(trimmed[i]));
        }
        if (i == start) {
            Raise(err::TypeMismatch);
        }
    }
    if (!digits || i != trimmed.size()) {
        Raise(err::TypeMismatch);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec == std::errc::result_out_of_range) {
        Raise(err::Overflow);
    }
    if (ec != std::errc() || end != plain.data() + plain.size()) {
        Raise(err::TypeMismatch);
    }
    return value;
}

} // namespace vb
