#include "vb/Convert.h"

#include "vb/Error.h"

#include <gtest/gtest.h>

namespace {

TEST(VbConvert, NumberTextForms) {
    EXPECT_EQ(vb::CStr(0.0), u"0");
    EXPECT_EQ(vb::CStr(123456.0), u"123456");
    EXPECT_EQ(vb::CStr(5905580032.0), u"5905580032");
    EXPECT_EQ(vb::CStr(-2.5), u"-2.5");
    EXPECT_EQ(vb::CStr(0.1), u"0.1");
    EXPECT_EQ(vb::CStr(999999999999999.0), u"999999999999999");
    EXPECT_EQ(vb::CStr(1e20), u"1E+20");
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
    EXPECT_EQ(vb::Val(u"&HFF"), 255);
    EXPECT_EQ(vb::Val(u"1.2.3"), 1.2);
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
