#pragma once
// Runs the copy engine on real trees in a temporary folder, with a label that records
// every caption set and every redraw.

#include "copyengine/Module7.h"
#include "forms/Control.h"
#include "forms/EventLoop.h"
#include "support/TempTree.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace enginetest {

struct LabelEvent {
    bool refresh = false;
    vb::String caption;
    bool operator==(const LabelEvent&) const = default;
};

inline void PrintTo(const LabelEvent& e, std::ostream* os) {
    *os << (e.refresh ? std::string("<Refresh>") : vb::ToUtf8(e.caption));
}

inline LabelEvent Set(vb::String caption) {
    return {false, std::move(caption)};
}
inline LabelEvent Refresh() {
    return {true, {}};
}

class RecordingLabel final : public forms::ProgressLabel {
public:
    vb::String caption() const override { return caption_; }
    void setCaption(vb::String text) override {
        caption_ = text;
        events.push_back(Set(std::move(text)));
        if (onSet) {
            onSet(caption_);
        }
    }
    void Refresh() override { events.push_back(enginetest::Refresh()); }

    std::vector<LabelEvent> events;
    std::function<void(const vb::String&)> onSet;

private:
    vb::String caption_;
};

struct Result {
    vb::String journal;
    vb::String liste;
    std::int32_t nCopies = 0;
    std::int32_t nParcourus = 0;
};

inline void ResetCounters() {
    Module7::OctetsCopies = 0;
    Module7::VolumeCopie = 0;
    Module7::NbFichiersParcourus = 0;
    Module7::NbRepertoiresParcourus = 0;
    Module7::NbRepertoiresCrees = 0;
    Module7::NbFichiersAJour = 0;
    Module7::NbFichiersCrees = 0;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCounters();
        forms::EventLoop::instance().reset();
    }

    Result Run(const vb::String& source, const vb::String& destination,
               const vb::String& motif = u"*.*", const vb::String& statut = u"R",
               std::int32_t nCopies = 0, std::int32_t nParcourus = 0) {
        Result r;
        r.nCopies = nCopies;
        r.nParcourus = nParcourus;
        r.journal = Module7::CopierDossier(source, motif, destination, statut, label, r.liste,
                                           r.nCopies, r.nParcourus)
                        .ToString();
        return r;
    }
    // The usual pair: the tree's "src" folder into its "dst" folder.
    Result RunSrc(const vb::String& motif, const vb::String& statut) {
        t.mkdir("dst");
        return Run(t.folder("src"), t.folder("dst"), motif, statut);
    }

    testsupport::TempTree t;
    RecordingLabel label;
};

} // namespace enginetest
