#include "copyengine/Module7.h"

namespace Module7 {

double OctetsCopies = 0;
double VolumeCopie = 0;
std::int32_t NbFichiersParcourus = 0;
std::int32_t NbRepertoiresParcourus = 0;
std::int32_t NbRepertoiresCrees = 0;
std::int32_t NbFichiersAJour = 0;
std::int32_t NbFichiersCrees = 0;

} // namespace Module7
