#include "configwindow/SavePosition.h"

#include "Desk.h"
#include "vb/Error.h"

#include <filesystem>
#include <optional>

namespace {

using namespace std::chrono_literals;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

// A keeper on the desk's form, keeping the placement of another form in [fenetre].
class PositionKeeper : public Desk {
protected:
    void SetUp() override {
        Desk::SetUp();
        fenetre.Move(1200, 450, 6000, 4500);
        fenetre.Show();
        keeper.Site(&design);
    }
    void Bind() { keeper.INIT(fenetre, testsupport::NameOf(path), u"fenetre"); }
    // What the next tick writes: the file's bytes, then the file is removed.
    std::string NextTick() {
        std::filesystem::remove(path);
        Advance(1000ms, 1000ms);
        return ReadBytes(path).value_or("");
    }

    forms::Form fenetre{u"fenetre"};
    forms::PropertyBag design;
    SavePosition keeper{form, u"SavePosition1"};
    std::filesystem::path path = folder / "positions.ini";
};

TEST_F(PositionKeeper, ItStaysAHundredSquareUntilBoundAndSavesItsTwoProperties) {
    EXPECT_EQ(keeper.Width, 100);
    keeper.Move(0, 0, 500, 40);
    EXPECT_EQ(keeper.Width, 100);
    EXPECT_EQ(keeper.Height, 100);
    form.ScaleMode(forms::ScalePixels); // its own size is in twips all the same
    keeper.Move(0, 0, 500, 40);
    EXPECT_EQ(keeper.Twips(forms::Axis::Height), 100);
    form.ScaleMode(forms::ScaleTwips);
    const auto saved = keeper.Save().Contents();
    ASSERT_EQ(saved.size(), 2U);
    EXPECT_EQ(saved[0].first, u"FichierINI");
    EXPECT_EQ(saved[0].second, vb::Variant(u"Positions.ini"));
    EXPECT_EQ(saved[1].first, u"SectionINI");
    EXPECT_EQ(saved[1].second, vb::Variant(u"default"));

    forms::PropertyBag bag;
    bag.WriteProperty(u"SectionINI", u"ailleurs");
    bag.WriteProperty(u"FichierINI", u"x.ini");
    SavePosition other(form, u"SavePosition2");
    other.Site(&bag);
    EXPECT_EQ(other.FichierINI(), u"x.ini");
    EXPECT_EQ(other.Save().Contents()[1].second, vb::Variant(u"ailleurs"));

    Bind();
    EXPECT_EQ(keeper.Width, 0);
    EXPECT_EQ(keeper.Height, 0);
    keeper.Width = 500;
    EXPECT_EQ(keeper.Width, 500);
}

TEST_F(PositionKeeper, EachTickWritesWhatChangedAndNothingElse) {
    Bind();
    EXPECT_EQ(fenetre.Left, 1200);
    EXPECT_EQ(NextTick(), "[fenetre]\nPositionsTaille= 0\nPositions= 1200| 450| 6000| 4500\n"
                          "Visible=OUI\n");
    EXPECT_EQ(NextTick(), "");

    fenetre.Move(1500, 123456.78F, 6000, 4500);
    Advance(300ms, 300ms);
    EXPECT_EQ(NextTick(), "[fenetre]\nPositionsTaille= 0\nPositions= 1500| 123456.8| 6000| 4500\n");
    EXPECT_EQ(NextTick(), "");

    fenetre.WindowState(forms::Maximized);
    EXPECT_EQ(fenetre.Width, 15360);
    EXPECT_EQ(NextTick(), "[fenetre]\nPositionsTaille= 2\n");
    EXPECT_EQ(NextTick(), "[fenetre]\nPositionsTaille= 2\n");
    fenetre.WindowState(forms::Minimized);
    EXPECT_EQ(NextTick(), "[fenetre]\nPositionsTaille= 1\n");
    // Back to normal where it was: the state changed all the same.
    fenetre.WindowState(forms::Normal);
    EXPECT_EQ(fenetre.Top, 123456.78F);
    EXPECT_EQ(NextTick(), "[fenetre]\nPositionsTaille= 0\nPositions= 1500| 123456.8| 6000| 4500\n");

    fenetre.Hide();
    EXPECT_EQ(NextTick(), "[fenetre]\nVisible=NON\n");
    fenetre.Show();
    EXPECT_EQ(NextTick(), "[fenetre]\nVisible=OUI\n");

    const auto other = folder / "other.ini";
    keeper.FichierINI(testsupport::NameOf(other));
    fenetre.Left = 0;
    EXPECT_EQ(NextTick(), "");
    EXPECT_NE(ReadBytes(other).value_or("").find("Positions= 0| 123456.8"), std::string::npos);
}

TEST_F(PositionKeeper, BindingRestoresThePlacementThenTheState) {
    WriteBytes(path, "[fenetre]\nPositions= 800\n");
    Bind();
    EXPECT_EQ(fenetre.Left, 800);
    EXPECT_EQ(fenetre.Top, 0);
    EXPECT_EQ(fenetre.Width, 0);
    EXPECT_EQ(fenetre.Height, 0);

    fenetre.Move(1200, 450, 6000, 4500);
    fenetre.WindowState(forms::Minimized);
    WriteBytes(path, "[fenetre]\nPositions=0\n");
    Bind();
    EXPECT_EQ(fenetre.WindowState(), forms::Minimized) << "no state stored: the form keeps its own";
    fenetre.WindowState(forms::Normal);
    EXPECT_EQ(fenetre.Left, 1200);

    WriteBytes(path, "[fenetre]\nPositions= 300| 150| 4500| 3000\nPositionsTaille= 2\n");
    Bind();
    EXPECT_EQ(fenetre.WindowState(), forms::Maximized);
    fenetre.WindowState(forms::Normal);
    EXPECT_EQ(fenetre.Left, 300);
    EXPECT_EQ(fenetre.Height, 3000);

    WriteBytes(path, "[fenetre]\nPositions= 10| 20| 30| 40\nPositionsTaille=7\n");
    keeper.Timer1.Enabled(false);
    try {
        Bind();
        FAIL() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::err::InvalidPropertyValue);
    }
    EXPECT_TRUE(keeper.Timer1.Enabled());
    EXPECT_EQ(fenetre.Left, 10);

    // A hidden form at 0, 0 with no size matches the values never written.
    forms::Form empty(u"vide");
    std::filesystem::remove(path);
    keeper.INIT(empty, testsupport::NameOf(path), u"fenetre");
    EXPECT_EQ(NextTick(), "");

    // A form made where the bound one was destroyed is another form: the ticks leave it be.
    std::optional<forms::Form> passante(std::in_place, u"passante");
    keeper.INIT(*passante, testsupport::NameOf(path), u"fenetre");
    passante.reset();
    passante.emplace(u"autre").Move(300, 150, 4500, 3000);
    passante->Show();
    EXPECT_EQ(NextTick(), "");
}

} // namespace
