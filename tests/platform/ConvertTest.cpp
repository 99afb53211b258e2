#include "vb/Convert.h"

#include "vb/Encoding.h"
#include "vb/Error.h"
#include "vb/Regional.h"
#include "vb/Variant.h"

#include <gtest/gtest.h>

namespace {

TEST(VbConvert, CDblReadsTheWholeTextInTheRegionalForm) {
    const auto mismatch = [](vb::StringView text) {
        try {
            vb::CDbl(text);
        } catch (const vb::Error& e) {
            return e.number() == vb::err::TypeMismatch;
        }
        return false;
    };
    const vb::NumberSettings comma{u',', u'.'};
    vb::SetRegionalNumbers(&comma);
    EXPECT_EQ(vb::CDbl(u" 2,5 "), 2.5);
    EXPECT_EQ(vb::CDbl(u"-1.234,5"), -1234.5);
    EXPECT_EQ(vb::CDbl(u"3E2"), 300.0);
    for (const vb::StringView bad : {u"2,5x", u"", u"deux", u"1,2,3", u".5", u"3E"}) {
        EXPECT_TRUE(mismatch(bad)) << vb::ToUtf8(bad);
    }
    const vb::NumberSettings point{u'.', u','};
    vb::SetRegionalNumbers(&point);
    EXPECT_EQ(vb::CDbl(u"2.5"), 2.5);
    EXPECT_EQ(vb::CDbl(u"1,000"), 1000.0);
    vb::SetRegionalNumbers(nullptr);
}

TEST(VbConvert, NumberTextForms) {
    EXPECT_EQ(vb::CStr(0.0), u"0");
    EXPECT_EQ(vb::CStr(123456.0), u"123456");
    EXPECT_EQ(vb::CStr(5905580032.0), u"5905580032");
    EXPECT_EQ(vb::CStr(-2.5), u"-2.5");
    EXPECT_EQ(vb::CStr(0.1), u"0.1");
    EXPECT_EQ(vb::CStr(999999999999999.0), u"999999999999999");
    EXPECT_EQ(vb::CStr(1e20), u"1E+20");
    EXPECT_EQ(vb::CStr(999999999999999.9), u"1E+15");
    EXPECT_EQ(vb::CStr(-1234.5678), u"-1234.5678");
    EXPECT_EQ(vb::CStr(1.0 / 3), u"0.333333333333333");
    EXPECT_EQ(vb::CStr(0.00001), u"0.00001");
    EXPECT_EQ(vb::CStr(-1.5e-6), u"-1.5E-06");
    EXPECT_EQ(vb::CStr(0.1F), u"0.1");
    EXPECT_EQ(vb::CStr(1.0F / 3), u"0.3333333");
    EXPECT_EQ(vb::CStr(1234567.0F), u"1234567");
    EXPECT_EQ(vb::CStr(12345678.0F), u"1.234568E+07");
    EXPECT_EQ(vb::Variant(2.5F).ToString(), u"2.5");
    EXPECT_EQ(vb::Str(5.0), u" 5");
    EXPECT_EQ(vb::Str(-5.0), u"-5");
    EXPECT_EQ(vb::Str(0.0), u" 0");
}

TEST(VbConvert, ValScansTheLeadingNumber) {
    EXPECT_EQ(vb::Val(u"587 "), 587);
    EXPECT_EQ(vb::Val(u" 2.5"), 2.5);
    EXPECT_EQ(vb::Val(u"1 2\t3\n4x5"), 1234);
    EXPECT_EQ(vb::Val(u"abc"), 0);
    EXPECT_EQ(vb::Val(u""), 0);
    EXPECT_EQ(vb::Val(u"-3.5e2z"), -350);
    EXPECT_EQ(vb::Val(u"12e"), 12);
    EXPECT_EQ(vb::Val(u"1.2.3"), 1.2);
    EXPECT_EQ(vb::Val(u" - 1 2 . 5 E + 1x"), -125);
    EXPECT_THROW(vb::Val(u"1E400"), vb::Error);
}

TEST(VbConvert, ValReadsRadixPrefixesAsIntegerOrLong) {
    const struct {
        const char16_t* text;
        double expected;
    } cases[] = {
        {u"&HFF", 255},      {u"&hff", 255},      {u"& H 1\t0", 16},           {u"&O 10", 8},
        {u"&O18", 1},        {u"&HFFFF", -1},     {u"&H8000", -32768},         {u"&HFFFF&", 65535},
        {u"&H10000", 65536}, {u"&HFFFFFFFF", -1}, {u"&H7FFFFFFF", 2147483647}, {u"&O177777", -1},
        {u"&H", 0},          {u"&X1", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vb::Val(c.text), c.expected) << vb::ToUtf8(c.text);
    }
    EXPECT_THROW(vb::Val(u"&H100000000"), vb::Error);
}

TEST(VbConvert, RoundingHalvesToEvenAndOverflow) {
    EXPECT_EQ(vb::CInt(2.5), 2);
    EXPECT_EQ(vb::CInt(3.5), 4);
    EXPECT_EQ(vb::CInt(-2.5), -2);
    EXPECT_EQ(vb::CInt(32767.4), 32767);
    EXPECT_THROW(vb::CInt(32767.5), vb::Error);
    EXPECT_THROW(vb::CInt(-32769), vb::Error);
    EXPECT_EQ(vb::CLng(2147483647.0), 2147483647);
    EXPECT_THROW(vb::CLng(2147483648.0), vb::Error);
}

} // namespace
