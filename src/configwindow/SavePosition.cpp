#include "configwindow/SavePosition.h"

#include "routines/Conversion.h"
#include "settings/INI32.h"
#include "vb/Convert.h"

namespace {

bool Differe(const vb::Variant& a, const vb::Variant& b) {
    const auto ordre = vb::CompareVariants(a, b);
    return !ordre.has_value() || *ordre != 0;
}

vb::String Nombre(const forms::Measure& valeur) {
    return vb::Str(static_cast<float>(valeur));
}

} // namespace

SavePosition::SavePosition(forms::Container& parent, vb::String name)
    : UserControl(parent, std::move(name)), Timer1(*this, u"Timer1", 1000, false) {
    Resize = [this] { UserControl_Resize(); };
    Timer1.Tick = [this] { Timer1_Timer(); };
}

void SavePosition::ReadProperties(const forms::PropertyBag& PropBag) {
    fichier_ = PropBag.ReadProperty(u"FichierINI", u"Positions.ini").ToString();
    section_ = PropBag.ReadProperty(u"SectionINI", u"default").ToString();
}

void SavePosition::WriteProperties(forms::PropertyBag& PropBag) const {
    PropBag.WriteProperty(u"FichierINI", fichier_);
    PropBag.WriteProperty(u"SectionINI", section_);
}

void SavePosition::UserControl_Resize() {
    if (!Initialise) {
        OwnWidth = 100;
        OwnHeight = 100;
    }
}

void SavePosition::INIT(forms::Form& Fenetre, vb::String FichierINI, vb::String Section_INI) {
    this->Fenetre = Fenetre.hwnd;
    Initialise = true;
    fichier_ = std::move(FichierINI);
    section_ = std::move(Section_INI);
    Timer1.Enabled(true);
    const vb::String p = INI32::LireEcrireINI(section_, u"Positions", u"0", fichier_, 1);
    if (p != u"0") {
        float champs[4];
        for (std::int16_t n = 1; n <= 4; ++n) {
            champs[n - 1] = vb::CSng(vb::Val(Conversion::ExtraireChamp(p, u"|", n)));
        }
        Fenetre.Move(champs[0], champs[1], champs[2], champs[3]);
    }
    const vb::String s =
        INI32::LireEcrireINI(section_, u"PositionsTaille",
                             vb::Str(static_cast<double>(Fenetre.WindowState())), fichier_, 1);
    Fenetre.WindowState(vb::CInt(vb::Val(s)));
    OwnWidth = 0;
    OwnHeight = 0;
}

void SavePosition::Timer1_Timer() {
    auto* const fenetre = dynamic_cast<forms::Form*>(forms::WindowFromHandle(Fenetre));
    if (fenetre == nullptr) {
        return; // the form is gone
    }
    forms::Form& f = *fenetre;
    auto& d = DernieresValeurs;
    // A form put back to normal where it was before also changes: its state.
    if (Differe(static_cast<float>(f.Left), d.left) || Differe(static_cast<float>(f.Top), d.top) ||
        Differe(static_cast<float>(f.Width), d.width) ||
        Differe(static_cast<float>(f.Height), d.height) || Differe(f.WindowState(), d.etat)) {
        INI32::LireEcrireINI(section_, u"PositionsTaille",
                             vb::Str(static_cast<double>(f.WindowState())), fichier_, 0);
        d.etat = f.WindowState();
        if (f.WindowState() == forms::Normal) {
            INI32::LireEcrireINI(section_, u"Positions",
                                 Nombre(f.Left) + u"|" + Nombre(f.Top) + u"|" + Nombre(f.Width) +
                                     u"|" + Nombre(f.Height),
                                 fichier_, 0);
            d.left = static_cast<float>(f.Left);
            d.top = static_cast<float>(f.Top);
            d.width = static_cast<float>(f.Width);
            d.height = static_cast<float>(f.Height);
        }
    }
    if (Differe(f.Visible(), d.visible)) {
        INI32::LireEcrireINI(section_, u"Visible",
                             Conversion::SiAlors(f.Visible(), u"OUI", u"NON").ToString(), fichier_,
                             0);
        d.visible = f.Visible();
    }
}
