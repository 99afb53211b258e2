#include "vb/String.h"

#include "vb/Encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(VbString, PositionsAreOneBasedAndTextModeIgnoresCase) {
    EXPECT_EQ(vb::InStr(u"Lundi /I /i", u"/I"), 7U);
    EXPECT_EQ(vb::InStr(8, u"Lundi /I /i", u"/I"), 0U);
    EXPECT_EQ(vb::InStr(8, u"Lundi /I /i", u"/I", vb::Compare::Text), 10U);
    EXPECT_EQ(vb::InStr(u"été", u"ÉTÉ", vb::Compare::Text), 1U);
    EXPECT_EQ(vb::Mid(u"abcdef", 2, 3), u"bcd");
    EXPECT_EQ(vb::Mid(u"abc", 4), u"");
    EXPECT_EQ(vb::Trim(u"  a b  "), u"a b");
    EXPECT_EQ(vb::UCase(u"àéÿz"), u"ÀÉŸZ");
    EXPECT_EQ(vb::LCase(u"ÀÉŸ×"), u"àéÿ×");
    // Every letter with a partner of the other case, not only those of the first blocks;
    // letters without one of their own keep their case.
    EXPECT_EQ(vb::UCase(u"ƒșțǆάόώẹỳѓӂաⓐａ"), u"ƑȘȚǄΆΌΏẸỲЃӁԱⒶＡ");
    EXPECT_EQ(vb::LCase(u"ƑȘȚǄΆΌΏẸỲЃӁԱⒶＡ"), u"ƒșțǆάόώẹỳѓӂաⓐａ");
    EXPECT_EQ(vb::UCase(u"ıſςßµ"), u"ıſςßµ");
    EXPECT_EQ(vb::InStr(u"Bucureşti/Iaşi/Timișoara", u"TIMIȘOARA", vb::Compare::Text), 16U);
    EXPECT_FALSE(vb::Equal(u"ı", u"i", vb::Compare::Text));
}

TEST(VbEncoding, InvalidUtf8InNamesRoundTripsByteForByte) {
    const std::string raw = "caf\xe9-\xff.txt";
    const vb::String name = vb::DecodeName(raw);
    EXPECT_EQ(name.size(), raw.size());
    EXPECT_EQ(vb::EncodeName(name), raw);
    EXPECT_EQ(vb::DecodeName("caf\xc3\xa9"), u"café");
}

TEST(VbEncoding, InvalidUtf8InFileTextReadsAsWindows1252) {
    EXPECT_EQ(vb::DecodeText("caf\xe9 \x80"), u"café €");
    EXPECT_EQ(vb::DecodeText("caf\xc3\xa9"), u"café");
    EXPECT_EQ(vb::EncodeWindows1252(u"é€☃"), "\xe9\x80?");
    // U+0080 is not the euro sign's byte; U+0081 has a byte of its own.
    EXPECT_EQ(vb::EncodeWindows1252(u"\u0080\u0081\u009d\u009f"), "?\x81\x9d?");
    EXPECT_EQ(vb::DecodeWindows1252("\x81\x9d\x9f"), u"\u0081\u009d\u0178");
    EXPECT_EQ(vb::DecodeWindows1252("\xe9\x80"), u"é€");
}

} // namespace
