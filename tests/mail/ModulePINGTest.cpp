#include "mail/ModulePING.h"

#include <gtest/gtest.h>

namespace {

TEST(ModulePING, ResolvesToTheFirstDottedIPv4Address) {
    struct Case {
        vb::String name;
        vb::String address;
    };
    const Case cases[] = {
        {u"127.0.0.1", u"127.0.0.1"},
        {u"10.1.2.3", u"10.1.2.3"},
        {u"localhost", u"127.0.0.1"},
        {u"nom-inexistant.invalid", u""},
        {u"", u""},
    };
    for (const Case& c : cases) {
        vb::String name = c.name;
        EXPECT_EQ(ModulePING::ResoudreAdresseIP(name), c.address);
        EXPECT_EQ(name, c.name);
    }
}

} // namespace
