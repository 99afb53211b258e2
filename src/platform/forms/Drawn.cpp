#include "forms/Drawn.h"

namespace forms {

namespace {

std::uint64_t gChanges = 0;

} // namespace

std::uint64_t DrawnChanges() {
    return gChanges;
}

void NoteDrawnChange() {
    ++gChanges;
}

} // namespace forms
