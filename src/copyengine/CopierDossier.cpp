#include "copyengine/Module7.h"
#include "copyengine/Walk.h"
#include "copyengine/WalkPath.h"
#include "forms/EventLoop.h"
#include "forms/Form.h"
#include "routines/Conversion.h"
#include "routines/Html.h"
#include "vb/App.h"
#include "vb/Error.h"
#include "vb/FileSystem.h"
#include "vb/Folder.h"
#include "win32/Find.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <iterator>
#include <limits>
#include <optional>

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

bool IsFolder(std::uint32_t attributes) {
    return (attributes & win32::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLink(std::uint32_t attributes) {
    return (attributes & win32::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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

// "Dossiers créés : " nCopies CR LF "Dossiers parcourus : " nParcourus CR LF.
vb::String CountsCaption(const Walk& walk) {
    vb::String caption;
    caption.reserve(64);
    caption += u"Dossiers créés : ";
    AppendNumber(caption, walk.nCopies);
    caption += kCrLf;
    caption += u"Dossiers parcourus : ";
    AppendNumber(caption, walk.nParcourus);
    caption += kCrLf;
    return caption;
}

// nCopies + " / " + nParcourus + what + the file.
vb::String CopyCaption(const Walk& walk, vb::StringView what, const vb::String& from) {
    vb::String caption;
    caption.reserve(32 + from.size());
    AppendNumber(caption, walk.nCopies);
    caption += u" / ";
    AppendNumber(caption, walk.nParcourus);
    caption += what;
    caption += from;
    return caption;
}

// One folder: its folder pass, which creates the sub-folders and descends, then its file
// pass. Both passes take the entries of one reading of the folder, unless the walk has
// written into the folder in between.
class FolderCopy {
public:
    FolderCopy(Walk& walk, vb::String source, vb::String destination)
        : walk_(walk), source_(std::move(source)), destination_(std::move(destination)) {}

    void Run() {
        std::vector<win32::FolderEntry> entries;
        std::optional<vb::FileId> listed;
        {
            const vb::Folder folder = vb::Folder::Open(source_, vb::Folder::Use::Listing);
            if (folder) {
                listed = folder.id();
                walk_.DrainTouching(*listed);
                entries = win32::ReadFolder(folder, u"*.*");
            }
        }
        // A source whose text does not end with its separator is read in the folder its text
        // names up to the last one, and the names found there are joined to that text; the
        // walk's path holds what the text itself names.
        {
            const vb::Folder into = vb::Folder::Open(destination_, vb::Folder::Use::Statements);
            if (into) {
                destinationId_ = into.id();
            }
        }
        const WalkPath onPath(EndsWithSeparator(source_) ? listed : IdentityOf(source_), listed,
                              destination_, destinationId_);
        if (destinationId_) {
            WalkPath::Writing(*destinationId_);
        }
        for (const win32::FolderEntry& entry : entries) {
            FolderEntry(entry);
        }
        FilePass(entries, onPath.changed());
    }

private:
    void FolderEntry(const win32::FolderEntry& entry) {
        walk_.Then([&walk = walk_] { walk.etiquette.setCaption(CountsCaption(walk)); });
        if (entry.name.empty() || entry.name.front() != u'.') {
            if (IsFolder(entry.attributes)) {
                CreateFolder(entry);
            }
            walk_.Then([] { forms::DoEvents(); });
        }
        walk_.Then([&walk = walk_] { Bump(walk.nParcourus); });
        walk_.Pace();
    }

    void CreateFolder(const win32::FolderEntry& entry) {
        const vb::String target = destination_ + entry.name;
        walk_.Then([&walk = walk_, target] {
            walk.etiquette.setCaption(walk.etiquette.caption() + u" > Création dossier : " +
                                      target);
            walk.etiquette.Refresh();
        });
        if (destinationId_) {
            walk_.DrainTouching(*destinationId_);
        }
        vb::ErrorRecord err;
        err.Run([&] {
            // Without "R" nothing is walked: a link back up is only an empty folder, but the
            // destination is never reproduced inside itself.
            const WalkPath::Refusal refusal =
                WalkPath::Refuse(source_ + entry.name, IsLink(entry.attributes));
            if (refusal == WalkPath::Refusal::Destination) {
                throw vb::Error(vb::err::PathNotFound,
                                u"Destination dans la source : ce dossier mène à la destination");
            }
            if (walk_.recursif && refusal == WalkPath::Refusal::Loop) {
                throw vb::Error(vb::err::PathNotFound,
                                u"Boucle de liens : ce dossier mène à un dossier déjà parcouru");
            }
            vb::MkDir(target);
        });
        const bool made = err.Number == 0;
        const bool walked = made || err.Number == vb::err::PathFileAccess;
        walk_.Then([&walk = walk_, made, walked, target, err] {
            Bump(NbRepertoiresParcourus);
            if (!walked) {
                // The log ends up in the HTML report: markup in names must show as text.
                walk.journal += u" Répertoire " + Html::Escape(target) + u'\t' +
                                Html::Escape(err.Description) + kCrLf;
            } else if (made) {
                Bump(walk.nCopies);
                Bump(NbRepertoiresCrees);
            }
        });
        if (walked && walk_.recursif) {
            FolderCopy(walk_, source_ + entry.name + kSeparator, target + kSeparator).Run();
        }
    }

    static bool EndsWithSeparator(const vb::String& folder) {
        return !folder.empty() && folder.back() == vb::PathSeparator;
    }

    void FilePass(const std::vector<win32::FolderEntry>& read, bool changed) {
        const vb::String& motif = walk_.motif;
        // A pattern that names a folder of its own is searched there. After a source whose text
        // does not end with its separator, the pattern follows the text's last part, and finds
        // names that this part followed by "*.*" does not: the folder is searched afresh.
        const std::size_t cut = motif.rfind(vb::PathSeparator);
        const bool reread = changed || cut != vb::String::npos || !EndsWithSeparator(source_);
        const auto from = std::make_shared<const vb::Folder>(
            vb::Folder::Open(source_, vb::Folder::Use::Statements));
        std::vector<win32::FolderEntry> fresh;
        if (reread) {
            const vb::String folder =
                cut == vb::String::npos ? source_ : source_ + motif.substr(0, cut + 1);
            const vb::Folder searched = vb::Folder::Open(folder, vb::Folder::Use::Listing);
            if (searched) {
                walk_.DrainTouching(searched.id());
                fresh = win32::ReadFolder(searched, vb::StringView(motif).substr(cut + 1));
            }
        } else if (!*from) {
            return; // the folder is gone
        }
        const std::vector<win32::FolderEntry>& entries = reread ? fresh : read;
        if (entries.empty()) {
            return;
        }
        const auto to = std::make_shared<const vb::Folder>(
            vb::Folder::Open(destination_, vb::Folder::Use::Statements));
        for (const SharedFolder& folder : {from, to}) {
            if (*folder) {
                walk_.DrainTouching(folder->id());
            }
        }
        const auto taken = [&](const win32::FolderEntry& entry) {
            return reread || win32::MatchesPattern(entry.name, motif);
        };
        // A destination that ignores case (FAT, exFAT, SMB) takes names that differ only in
        // case for one file: these are copied one at a time, in the walk's order. The listing
        // has them side by side.
        const auto caseTwin = [&](std::size_t i) {
            const auto same = [&](std::size_t j) {
                return vb::Equal(entries[i].name, entries[j].name, vb::Compare::Text);
            };
            return (i > 0 && same(i - 1)) || (i + 1 < entries.size() && same(i + 1));
        };
        std::optional<DatesAhead> ahead;
        if (walk_.recents) {
            step_ = vb::TimeStep(*to);
            if (CopyPool* const threads = walk_.Threads()) {
                std::vector<std::string> names;
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    if (taken(entries[i]) && IsPlainFile(entries[i]) && !caseTwin(i)) {
                        names.push_back(entries[i].bytes);
                    }
                }
                ahead.emplace(*threads, from, to, std::move(names));
            }
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (taken(entries[i])) {
                FileEntry(entries[i], from, to, !reread, caseTwin(i), ahead ? &*ahead : nullptr);
            }
        }
        walk_.HandOver();
    }

    // An entry of the file pass that is neither a folder nor a link: the one kind whose
    // dates are read ahead, unless its name has a twin in another case.
    static bool IsPlainFile(const win32::FolderEntry& entry) {
        return entry.name != u"." && entry.name != u".." && !IsFolder(entry.attributes) &&
               !IsLink(entry.attributes);
    }

    void FileEntry(const win32::FolderEntry& entry, const SharedFolder& from,
                   const SharedFolder& to, bool readBefore, bool caseTwin, DatesAhead* ahead) {
        if (entry.name != u"." && entry.name != u"..") {
            std::uint32_t attributes = entry.attributes;
            const bool link = IsLink(attributes);
            if (link && readBefore && *from) {
                // What a link leads to may have been made since the folder was read.
                attributes = win32::AttributesOf(from->fd(), entry.bytes);
            }
            if (!IsFolder(attributes)) {
                walk_.Then([] { Bump(NbFichiersParcourus); });
                // A link may lead anywhere, and a name with a twin in another case may be the
                // same file as its twin: their copies are done with no other in flight.
                const bool alone = link || caseTwin;
                if (alone) {
                    walk_.Drain();
                }
                if (ToCopy(entry, *from, *to, alone ? nullptr : ahead)) {
                    Copy(entry, from, to);
                }
                if (alone) {
                    walk_.Drain();
                }
            }
        }
        walk_.Then([&walk = walk_] {
            forms::DoEvents();
            Bump(walk.nParcourus);
        });
        walk_.Pace();
    }

    // Without "D" every file is copied; with it, only one whose copy is older or whose
    // dates cannot both be read: a test that fails takes the copying branch. Dates are whole
    // seconds, and a copy on a file system that keeps coarser ones is older only by a whole
    // step of it: the file system cut its time.
    bool ToCopy(const win32::FolderEntry& entry, const vb::Folder& from, const vb::Folder& to,
                DatesAhead* ahead) {
        if (!walk_.recents) {
            return true;
        }
        const auto readHere = [&] { return ReadDates(entry, from, to); };
        EntryDates dates = ahead != nullptr ? ahead->Next(readHere) : readHere();
        if (dates.copyIsLink) {
            dates = readHere();
        }
        const bool tested = dates.copy && dates.original;
        if (tested && *dates.copy + step_ > *dates.original) {
            return false;
        }
        walk_.Then([tested] { Bump(tested ? NbFichiersAJour : NbFichiersCrees); });
        return true;
    }

    // The copy's date, then the original's, as far as they can be read.
    EntryDates ReadDates(const win32::FolderEntry& entry, const vb::Folder& from,
                         const vb::Folder& to) {
        EntryDates dates;
        try {
            dates.copy = vb::OwnDateTime(to, entry.bytes);
            if (!dates.copy) {
                walk_.Drain(); // a link in the destination may lead where copies write
                dates.copy = vb::FileDateTime(to, entry.bytes);
            }
            dates.original = vb::FileDateTime(from, entry.bytes);
        } catch (const vb::Error&) {
            // A date that cannot be read takes the copying branch.
        }
        return dates;
    }

    void Copy(const win32::FolderEntry& entry, const SharedFolder& from, const SharedFolder& to) {
        const auto path = std::make_shared<const vb::String>(source_ + entry.name);
        walk_.Then([&walk = walk_, path] {
            Bump(walk.nCopies);
            walk.etiquette.setCaption(CopyCaption(walk, u" Copy ", *path));
            walk.etiquette.Refresh();
        });
        walk_.Copy(from, to, entry.bytes, [&walk = walk_, path](const CopyOutcome& outcome) {
            vb::ErrorRecord err;
            for (const std::int32_t number : {outcome.copyError, outcome.lengthError}) {
                if (number != 0) {
                    err.Number = number;
                    err.Description = vb::DescriptionOf(number);
                }
            }
            if (outcome.lengthError == 0) {
                OctetsCopies += static_cast<double>(outcome.length);
            }
            VolumeCopie = OctetsCopies;
            err.Run(ShowBytesCopied);
            if (err.Pending()) {
                walk.journal += u" Fichier " + Html::Escape(*path) + u'\t' +
                                Html::Escape(err.Description) + u"<br>";
            } else {
                walk.listeHTML += u"copie OK : ";
                walk.listeHTML += Html::Escape(*path);
                walk.listeHTML += u"<br>";
            }
            walk.etiquette.setCaption(CopyCaption(walk, u" CopyOK ", *path));
        });
    }

    Walk& walk_;
    const vb::String source_;
    const vb::String destination_;
    std::optional<vb::FileId> destinationId_;
    std::chrono::seconds step_{1}; // of the destination's last-write times
};

} // namespace

vb::Variant CopierDossier(const vb::String& source, const vb::String& motif,
                          const vb::String& destination, const vb::String& statut,
                          forms::ProgressLabel& etiquette, vb::String& listeHTML,
                          std::int32_t& nCopies, std::int32_t& nParcourus) {
    Walk walk(motif, statut, etiquette, listeHTML, nCopies, nParcourus);
    FolderCopy(walk, source, destination).Run();
    walk.Drain();
    return std::move(walk.journal);
}

} // namespace Module7
