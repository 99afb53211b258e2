#include "backuprun/quorvel.h"

void quorvel::RunProcedures(const vb::String&) {
    // The batch run is not here yet: the window stays as the load event left it.
}
