#include "copyengine/Module7.h"
#include "vb/Error.h"

#include <gtest/gtest.h>

namespace {

TEST(SupprimerNuls, CutsAtTheFirstNulAndChangesTheCallerText) {
    using namespace std::string_literals;
    struct Case {
        vb::String chaine, expected;
    };
    const Case cases[] = {
        {u"nom.txt\0\0\0"s, u"nom.txt"}, {u"a\0b\0"s, u"a"}, {u"\0reste"s, u""},
        {u"sans nul", u"sans nul"},      {u"", u""},
    };
    for (auto c : cases) {
        const vb::String result = Module7::SupprimerNuls(c.chaine);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(c.chaine, c.expected);
    }
}

TEST(SupprimerNuls, APositionPastTheSixteenBitRangeOverflows) {
    vb::String longue(32766, u'x');
    longue.push_back(u'\0');
    vb::String copie = longue;
    EXPECT_EQ(Module7::SupprimerNuls(copie), vb::String(32766, u'x'));
    longue.insert(0, 1, u'y');
    try {
        Module7::SupprimerNuls(longue);
        ADD_FAILURE() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::err::Overflow);
    }
}

} // namespace
