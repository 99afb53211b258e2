#include "routines/Conversion.h"

#include "vb/Encoding.h"
#include "vb/Error.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

using Conversion::CompterOccurrences;
using Conversion::DerniereLigne;
using Conversion::ExtraireChamp;
using Conversion::FormatTaille;
using Conversion::Remplacer;

int ErrorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

TEST(Remplacer, ReplacesEveryOccurrenceRegardlessOfCaseAndResumesAfterInsertedText) {
    struct Case {
        vb::String chaine, ancien, nouveau, expected;
    };
    const Case cases[] = {
        {u"aaa", u"a", u"aa", u"aaaaaa"},
        {u"Lundi /I /i", u"/I", u"", u"Lundi  "},
        {u"A/IB/iC", u"/I", u"", u"ABC"},
        {u"x;y;z", u";", u",", u"x,y,z"},
        {u"sans rien", u"/I", u"", u"sans rien"},
        {u"ÉtÉ", u"é", u"e", u"ete"},
        {u"", u"a", u"b", u""},
        {u"abc", u"", u"x", u"abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Remplacer(c.chaine, c.ancien, c.nouveau).ToString(), c.expected)
            << vb::ToUtf8(c.chaine);
    }
}

TEST(Remplacer, PositionsPast32767Overflow) {
    const vb::String longLine = vb::Repeat(u'x', 32767) + u" /I";
    EXPECT_EQ(ErrorNumberOf([&] { Remplacer(longLine, u"/I", u""); }), vb::err::Overflow);
    // A match at the last 16-bit position is still replaced; the next search position
    // then passes the limit.
    const vb::String edge = vb::Repeat(u'x', 32766) + u"/I";
    EXPECT_EQ(ErrorNumberOf([&] { Remplacer(edge, u"/I", u"ab"); }), vb::err::Overflow);
    const vb::String fits = vb::Repeat(u'x', 32000) + u"/I";
    EXPECT_EQ(Remplacer(fits, u"/I", u"").ToString(), vb::Repeat(u'x', 32000));
}

TEST(CompterOccurrences, CountsNonOverlappingCaseSensitiveMatches) {
    EXPECT_EQ(CompterOccurrences(u"D:\\Sauve\\Lundi\\", u"\\"), 3);
    EXPECT_EQ(CompterOccurrences(u"aaaa", u"aa"), 2);
    EXPECT_EQ(CompterOccurrences(u"", u"a"), 0);
    EXPECT_EQ(CompterOccurrences(u"AaA", u"a"), 1);
    EXPECT_EQ(CompterOccurrences(vb::Repeat(u'/', 32767), u"/"), 32767);
    EXPECT_EQ(ErrorNumberOf([] { CompterOccurrences(vb::Repeat(u'/', 32768), u"/"); }),
              vb::err::Overflow);
}

TEST(ExtraireChamp, ReturnsTheNumberedFieldOrEmpty) {
    struct Case {
        vb::String chaine, separateur;
        std::int16_t numero;
        vb::String expected;
    };
    const Case cases[] = {
        {u"D:\\Sauve\\Lundi\\", u"\\", 2, u"Sauve"},
        {u"D:\\Sauve\\Lundi\\", u"\\", 1, u"D:"},
        {u"120|45|9000|6000", u"|", 4, u"6000"},
        {u"a;b", u";", 3, u""},
        {u"a;;b", u";", 2, u""},
        {u"a;;b", u";", 3, u"b"},
        {u"a;b", u";", 0, u""},
        {u"a;b", u";", -1, u""},
        {u"a;b", u"", 1, u""},
        {u"a;b", u"", 2, u""},
        {u"unXYdeuxXYtrois", u"XY", 3, u"trois"},
        {u"AxBXc", u"x", 2, u"BXc"},
        {u"/srv/backup/docs/", u"/", 1, u""},
        {u"/srv/backup/docs/", u"/", 3, u"backup"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtraireChamp(c.chaine, c.separateur, c.numero), c.expected)
            << vb::ToUtf8(c.chaine) << " #" << c.numero;
    }

    // The largest field number ends too, whether the field is there or not.
    constexpr std::int16_t kLast = std::numeric_limits<std::int16_t>::max();
    vb::String fields;
    for (int i = 1; i <= kLast; ++i) {
        fields += vb::FromAscii(std::to_string(i)) + u";";
    }
    EXPECT_EQ(ExtraireChamp(fields, u";", kLast), vb::FromAscii(std::to_string(kLast)));
    EXPECT_EQ(ExtraireChamp(u"a;b", u";", kLast), u"");
    EXPECT_EQ(ExtraireChamp(u"a;b", u"", kLast), u"");
}

TEST(DerniereLigne, TakesTheLastNonBlankLineOrTheUnfinishedTail) {
    struct Case {
        vb::String chaine, expected;
    };
    const Case cases[] = {
        {u"250-first\r\n250 OK\r\n", u"250 OK"},
        {u"250 OK\r\n  \r\n", u"250 OK"},
        {u"abc", u"abc"},
        {u"x\r\ny", u"y"},
        {u"", u""},
        {u"250 OK\r\n  ", u"  "},
        {u"a\rb\nc\r\n", u"a\rb\nc"},
        {u"\r\n\r\n", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DerniereLigne(c.chaine), c.expected);
    }
}

TEST(FormatTaille, ChoosesTheUnitAndWritesTheDigitAfterTheComma) {
    struct Case {
        double taille;
        vb::String expected;
    };
    const Case cases[] = {
        {0, u"0 Octets"},
        {1023, u"1023 Octets"},
        {1024, u"1,0 Ko"},
        {1536, u"1,5 Ko"},
        {2047, u"1,10 Ko"},
        {1048575, u"1023,10 Ko"},
        {1048576, u"1,0 Mo"},
        {1073741823, u"1023,10 Mo"},
        {1073741824, u"1,0 Go"},
        {3221225472.0, u"3,0 Go"},
        {5905580032.0, u"5,5 Go"},
        {-5, u"-5 Octets"},
        // A half rounds to the even count; a remainder of minus one half is a digit of 0.
        {2047.5, u"2,0 Ko"},
        {2046.5, u"1,10 Ko"},
        {1073741823.5, u"1024,0 Mo"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTaille(c.taille), c.expected) << c.taille;
    }
    EXPECT_EQ(FormatTaille(std::numeric_limits<double>::quiet_NaN()), u"");
    EXPECT_EQ(FormatTaille(std::numeric_limits<double>::infinity()), u"");
}

} // namespace
