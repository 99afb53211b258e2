#include "forms/TextLayout.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<vb::String>;

TEST(TextLayout, RowsFollowTopThenLeftAndHiddenControlsAreLeftOut) {
    forms::Form form(u"f");
    forms::TextBox box(form, u"box", u"/srv/b/");
    box.Move(800, 500, 800, 285);
    forms::Label caption(form, u"caption", u"vers");
    caption.Move(0, 500, 400, 255);
    forms::Label title(form, u"title", u"Titre");
    title.Move(1600, 100, 800, 255);
    forms::Label hidden(form, u"hidden", u"caché");
    hidden.Move(0, 300, 800, 255);
    hidden.Visible = false;

    EXPECT_EQ(forms::LayoutForm(form),
              (Lines{u"                    Titre", u"vers      [/srv/b/ ]"}));
}

TEST(TextLayout, MultiLineCaptionsKeepTheirLinesBesideOtherControls) {
    forms::Form form(u"f");
    forms::Label status(form, u"status", u"un\r\ndeux\r\ntrois");
    status.Move(0, 0, 800, 800);
    forms::Label side(form, u"side", u"à côté");
    side.Move(1200, 0, 800, 255);
    forms::Label below(form, u"below", u"fin");
    below.Move(0, 900, 800, 255);

    EXPECT_EQ(forms::LayoutForm(form),
              (Lines{u"un             à côté", u"deux", u"trois", u"fin"}));
}

TEST(TextLayout, EmptyTextBoxesShowAsFieldsAndEmptyCaptionsAsNothing) {
    forms::Form form(u"f");
    forms::TextBox empty(form, u"empty");
    empty.Move(0, 0, 480, 285);
    forms::Label blank(form, u"blank");
    blank.Move(0, 400, 800, 255);
    EXPECT_EQ(forms::LayoutForm(form), (Lines{u"[    ]"}));
}

TEST(TextLayout, CaptionsWrapAtBlanksToTheirWidth) {
    struct Case {
        vb::String caption;
        std::size_t width;
        Lines lines;
    };
    const Case cases[] = {
        {u"court", 10, {u"court"}},
        {u"deux mots ici", 9, {u"deux mots", u"ici"}},
        {u"unmotbientroplong x", 5, {u"unmotbientroplong", u"x"}},
        {u"a\rb\nc\r\n\r\nd", 5, {u"a", u"b", u"c", u"", u"d"}},
        {u"", 5, {u""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(forms::WrapCaption(c.caption, c.width), c.lines) << "width " << c.width;
    }
}

} // namespace
