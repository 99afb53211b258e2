// Runs the copy engine on one folder pair, with no window and no mail, for the benchmarks.
// Usage: copydriver SOURCE/ DESTINATION/ [PATTERN [MODES]] [--stats] [--threads=N]

#include "copyengine/Module7.h"
#include "vb/Encoding.h"

#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

// Keeps the last caption, as a hidden label would.
class QuietLabel final : public forms::ProgressLabel {
public:
    vb::String caption() const override { return caption_; }
    void setCaption(vb::String text) override { caption_ = std::move(text); }
    void Refresh() override {}

private:
    vb::String caption_;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    bool stats = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--stats") {
            stats = true;
        } else if (arg.starts_with("--threads=")) {
            Module7::testing::SetCopyingThreads(std::stoul(arg.substr(10)));
        } else {
            args.push_back(arg);
        }
    }
    if (args.size() < 2) {
        std::fprintf(
            stderr,
            "usage: copydriver SOURCE/ DESTINATION/ [PATTERN [MODES]] [--stats] [--threads=N]\n");
        return 2;
    }
    const vb::String motif = args.size() > 2 ? vb::DecodeName(args[2]) : u"*.*";
    const vb::String statut = args.size() > 3 ? vb::DecodeName(args[3]) : u"R";
    QuietLabel label;
    vb::String liste;
    std::int32_t nCopies = 0;
    std::int32_t nParcourus = 0;
    const vb::String journal =
        Module7::CopierDossier(vb::DecodeName(args[0]), motif, vb::DecodeName(args[1]), statut,
                               label, liste, nCopies, nParcourus)
            .ToString();
    if (stats) {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("maxrss_kib=%ld liste_bytes=%zu journal_bytes=%zu copies=%d parcourus=%d\n",
                    usage.ru_maxrss, liste.size() * sizeof(vb::Char),
                    journal.size() * sizeof(vb::Char), nCopies, nParcourus);
    }
    if (!journal.empty()) {
        std::fprintf(stderr, "%s\n", vb::ToUtf8(journal).c_str());
        return 1;
    }
    return 0;
}
