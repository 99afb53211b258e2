#include "copyengine/Module7.h"
#include "copyengine/WalkPath.h"
#include "forms/EventLoop.h"
#include "forms/Form.h"
#include "routines/Conversion.h"
#include "routines/Html.h"
#include "vb/App.h"
#include "vb/Error.h"
#include "vb/FileSystem.h"
#include "vb/Files.h"
#include "win32/Find.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <iterator>
#include <limits>

namespace Module7 {

namespace {

const vb::String kCrLf = u"\r\n";
const vb::String kSeparator(1, vb::PathSeparator);

// A counter at its maximum keeps its value.
void Bump(std::int32_t& counter) {
    if (counter < std::numeric_limits<std::int32_t>::max()) {
        ++counter;
    }
}

// Plain decimal digits, appended without building a separate text.
void AppendNumber(vb::String& out, std::int32_t n) {
    char digits[16];
    const char* const end = std::to_chars(std::begin(digits), std::end(digits), n).ptr;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(end - digits));
    std::copy(static_cast<const char*>(digits), end, out.begin() + static_cast<std::ptrdiff_t>(at));
}

bool IsFolder(const win32::WIN32_FIND_DATA& entry) {
    return (entry.dwFileAttributes & win32::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLink(const win32::WIN32_FIND_DATA& entry) {
    return (entry.dwFileAttributes & win32::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The running byte total in the startup window, when that window is loaded.
void ShowBytesCopied() {
    forms::Form* const window = forms::FindForm(u"quorvel");
    if (window == nullptr) {
        return;
    }
    if (auto* const label = window->Find<forms::Label>(u"KoCopies")) {
        label->Caption = Conversion::FormatTaille(OctetsCopies);
    }
}

template <typename OnEntry> void ForEachEntry(const vb::String& pattern, OnEntry onEntry) {
    win32::WIN32_FIND_DATA entry;
    win32::SearchHandle search = win32::FindFirstFile(pattern, entry);
    if (search.valid()) {
        do {
            onEntry(entry);
        } while (win32::FindNextFile(search, entry));
    }
    win32::FindClose(search);
}

// One call of the engine: one folder, its two passes and its own error log. Every failing
// step is noted in `err_` and the walk goes on. The texts are its own copies; the rest are
// the caller's variables, passed by reference, which outlive the call.
class FolderCopy {
public:
    FolderCopy(vb::String source, vb::String motif, vb::String destination, vb::String statut,
               forms::ProgressLabel& etiquette, vb::String& listeHTML, std::int32_t& nCopies,
               std::int32_t& nParcourus)
        : source_(std::move(source)), motif_(std::move(motif)),
          destination_(std::move(destination)), statut_(std::move(statut)), etiquette_(etiquette),
          listeHTML_(listeHTML), nCopies_(nCopies), nParcourus_(nParcourus),
          recursif_(vb::InStr(vb::UCase(statut_), u"R") > 0),
          recents_(vb::InStr(vb::UCase(statut_), u"D") > 0) {}

    vb::String Run() {
        const WalkPath onPath(source_, destination_);
        ForEachEntry(source_ + u"*.*", [this](win32::WIN32_FIND_DATA& e) { FolderEntry(e); });
        if (recents_) {
            step_ = vb::TimeStep(destination_);
        }
        ForEachEntry(source_ + motif_, [this](win32::WIN32_FIND_DATA& e) { FileEntry(e); });
        return std::move(journal_);
    }

private:
    void TakeName(win32::WIN32_FIND_DATA& entry) {
        err_.Run([&] { name_ = SupprimerNuls(entry.cFileName); });
    }

    void FolderEntry(win32::WIN32_FIND_DATA& entry) {
        TakeName(entry);
        vb::String caption;
        caption.reserve(64);
        caption += u"Dossiers créés : ";
        AppendNumber(caption, nCopies_);
        caption += kCrLf;
        caption += u"Dossiers parcourus : ";
        AppendNumber(caption, nParcourus_);
        caption += kCrLf;
        etiquette_.setCaption(std::move(caption));
        if (vb::Left(name_, 1) != u".") {
            if (IsFolder(entry)) {
                CreateFolder(IsLink(entry));
            }
            forms::DoEvents();
        }
        Bump(nParcourus_);
    }

    void CreateFolder(bool link) {
        err_.Clear();
        const vb::String target = destination_ + name_;
        etiquette_.setCaption(etiquette_.caption() + u" > Création dossier : " + target);
        etiquette_.Refresh();
        err_.Run([&] {
            // Without "R" nothing is walked: a link back up is only an empty folder, but the
            // destination is never reproduced inside itself.
            const WalkPath::Refusal refusal = WalkPath::Refuse(source_ + name_, link);
            if (refusal == WalkPath::Refusal::Destination) {
                throw vb::Error(vb::err::PathNotFound,
                                u"Destination dans la source : ce dossier mène à la destination");
            }
            if (recursif_ && refusal == WalkPath::Refusal::Loop) {
                throw vb::Error(vb::err::PathNotFound,
                                u"Boucle de liens : ce dossier mène à un dossier déjà parcouru");
            }
            vb::MkDir(target);
        });
        Bump(NbRepertoiresParcourus);
        if (err_.Number != 0 && err_.Number != vb::err::PathFileAccess) {
            // The log ends up in the HTML report: markup in names must show as text.
            journal_ += u" Répertoire " + Html::Escape(target) + u'\t' +
                        Html::Escape(err_.Description) + kCrLf;
            return;
        }
        if (err_.Number == 0) {
            Bump(nCopies_);
            Bump(NbRepertoiresCrees);
        }
        if (recursif_) {
            journal_ += CopierDossier(source_ + name_ + kSeparator, motif_, target + kSeparator,
                                      statut_, etiquette_, listeHTML_, nCopies_, nParcourus_)
                            .ToString();
        }
    }

    void FileEntry(win32::WIN32_FIND_DATA& entry) {
        TakeName(entry);
        if (name_ != u"." && name_ != u"..") {
            err_.Clear();
            if (!IsFolder(entry)) {
                Bump(NbFichiersParcourus);
                const vb::String from = source_ + name_;
                const vb::String to = destination_ + name_;
                if (ToCopy(from, to)) {
                    Copy(from, to);
                }
            }
        }
        forms::DoEvents();
        Bump(nParcourus_);
    }

    // Without "D" every file is copied; with it, only one whose copy is older or whose
    // dates cannot both be read: a test that fails takes the copying branch. Dates are whole
    // seconds, and a copy on a file system that keeps coarser ones is older only by a whole
    // step of it: the file system cut its time.
    bool ToCopy(const vb::String& from, const vb::String& to) {
        if (!recents_) {
            return true;
        }
        bool older = false;
        const bool tested = err_.Run([&] {
            const vb::FileTime copy = vb::FileDateTime(to);
            const vb::FileTime original = vb::FileDateTime(from);
            older = copy + step_ <= original;
        });
        if (tested && !older) {
            return false;
        }
        if (!err_.Pending()) {
            Bump(NbFichiersAJour);
        } else {
            Bump(NbFichiersCrees);
        }
        return true;
    }

    void Copy(const vb::String& from, const vb::String& to) {
        err_.Clear();
        Bump(nCopies_);
        etiquette_.setCaption(CopyCaption(u" Copy ", from));
        etiquette_.Refresh();
        err_.Run([&] { vb::FileCopy(from, to); });
        err_.Run([&] { OctetsCopies += static_cast<double>(vb::FileLen(from)); });
        VolumeCopie = OctetsCopies;
        err_.Run(ShowBytesCopied);
        if (err_.Pending()) {
            journal_ += u" Fichier " + Html::Escape(from) + u'\t' + Html::Escape(err_.Description) +
                        u"<br>";
        } else {
            listeHTML_ += u"copie OK : " + Html::Escape(from) + u"<br>";
        }
        etiquette_.setCaption(CopyCaption(u" CopyOK ", from));
    }

    // nCopies + " / " + nParcourus + what + the file.
    vb::String CopyCaption(vb::StringView what, const vb::String& from) const {
        vb::String caption;
        caption.reserve(32 + from.size());
        AppendNumber(caption, nCopies_);
        caption += u" / ";
        AppendNumber(caption, nParcourus_);
        caption += what;
        caption += from;
        return caption;
    }

    const vb::String source_;
    const vb::String motif_;
    const vb::String destination_;
    const vb::String statut_;
    forms::ProgressLabel& etiquette_;
    vb::String& listeHTML_;
    std::int32_t& nCopies_;
    std::int32_t& nParcourus_;
    const bool recursif_;
    const bool recents_;
    std::chrono::seconds step_{1}; // of the destination's last-write times

    vb::ErrorRecord err_;
    vb::String name_;
    vb::String journal_;
};

} // namespace

vb::Variant CopierDossier(const vb::String& source, const vb::String& motif,
                          const vb::String& destination, const vb::String& statut,
                          forms::ProgressLabel& etiquette, vb::String& listeHTML,
                          std::int32_t& nCopies, std::int32_t& nParcourus) {
    return FolderCopy(source, motif, destination, statut, etiquette, listeHTML, nCopies, nParcourus)
        .Run();
}

} // namespace Module7
