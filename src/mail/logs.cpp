#include "mail/logs.h"

#include "routines/Journal.h"
#include "vb/Error.h"

void logs::OUTPUT(vb::String infos) {
    vb::ErrorRecord Err;
    Err.Run([&] { Journal::AppendDatedLine(FichierLOG, u" : ", infos); });
}
