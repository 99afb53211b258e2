#include "EngineTest.h"
#include "forms/Form.h"
#include "routines/Conversion.h"

#include <functional>
#include <vector>

namespace {

using enginetest::Engine;
using enginetest::LabelEvent;
using enginetest::Refresh;
using enginetest::Set;

vb::String Counts(int created, int seen) {
    return u"Dossiers créés : " + vb::FromAscii(std::to_string(created)) +
           u"\r\nDossiers parcourus : " + vb::FromAscii(std::to_string(seen)) + u"\r\n";
}

// The two examples of the progress label: a folder met with 3 things done and 7 entries
// seen, then a file copied as the fourth thing done with 12 entries seen.
TEST_F(Engine, CaptionsOfTheFolderAndFilePassesInOrder) {
    t.mkdir("src1/Photos");
    t.mkdir("dst1");
    auto r = Run(t.folder("src1"), t.folder("dst1"), u"*.*", u"", 3, 5);
    EXPECT_EQ(label.events,
              (std::vector<LabelEvent>{
                  Set(Counts(3, 5)), Set(Counts(3, 6)), Set(Counts(3, 7)),
                  Set(Counts(3, 7) + u" > Création dossier : " + t.folder("dst1") + u"Photos"),
                  Refresh()}));
    EXPECT_EQ(r.nCopies, 4);
    EXPECT_EQ(r.nParcourus, 11);

    label.events.clear();
    t.write("src2/a.txt", "a");
    t.mkdir("dst2");
    r = Run(t.folder("src2"), t.folder("dst2"), u"*.*", u"", 3, 7);
    const vb::String file = t.folder("src2") + u"a.txt";
    EXPECT_EQ(label.events, (std::vector<LabelEvent>{Set(Counts(3, 7)), Set(Counts(3, 8)),
                                                     Set(Counts(3, 9)), Set(u"4 / 12 Copy " + file),
                                                     Refresh(), Set(u"4 / 12 CopyOK " + file)}));
    EXPECT_EQ(r.nCopies, 4);
    EXPECT_EQ(r.nParcourus, 13);
}

// A probe that posts itself again at each pump notes the caption at every point where
// pending window messages run.
TEST_F(Engine, PendingWindowMessagesRunAfterEachEntryButTheFolderPassDotOnes) {
    t.write("src/f", "f");
    t.mkdir("dst");
    std::vector<vb::String> seen;
    std::function<void()> probe = [&] {
        seen.push_back(label.caption());
        forms::EventLoop::instance().post(probe);
    };
    forms::EventLoop::instance().post(probe);
    Run(t.folder("src"), t.folder("dst"), u"*.*", u"");
    forms::EventLoop::instance().reset();
    // Folder pass: after "f" only. File pass: after ".", ".." and "f".
    EXPECT_EQ(seen, (std::vector<vb::String>{Counts(0, 2), Counts(0, 2), Counts(0, 2),
                                             u"1 / 5 CopyOK " + t.folder("src") + u"f"}));
}

TEST_F(Engine, TheStartupWindowByteCountFollowsEachCopy) {
    t.write("src/a", std::string(1500, 'a'));
    t.write("src/b", std::string(547, 'b'));
    t.mkdir("dst");
    forms::Form window(u"quorvel");
    forms::Label koCopies(window, u"KoCopies", u"avant");
    forms::Form other(u"autre");
    forms::Label otherLabel(other, u"KoCopies", u"intact");
    std::vector<vb::String> shown;
    label.onSet = [&](const vb::String& caption) {
        if (caption.find(u" CopyOK ") != vb::String::npos) {
            shown.push_back(koCopies.Caption);
        }
    };
    const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(Module7::OctetsCopies, 2047.0);
    EXPECT_EQ(shown, (std::vector<vb::String>{Conversion::FormatTaille(1500),
                                              Conversion::FormatTaille(2047)}));
    EXPECT_EQ(otherLabel.Caption, u"intact");
}

TEST_F(Engine, WithoutTheStartupWindowTheByteCountStepIsSkipped) {
    t.write("src/a", "abc");
    t.mkdir("dst");
    ASSERT_EQ(forms::FindForm(u"quorvel"), nullptr);
    const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/a") + u"<br>");
    EXPECT_EQ(Module7::VolumeCopie, 3.0);
}

} // namespace
