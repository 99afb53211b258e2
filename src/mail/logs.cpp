#include "mail/logs.h"

#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/Files.h"

void logs::OUTPUT(vb::String infos) {
    vb::ErrorRecord Err;
    Err.Run([&] {
        vb::AppendLine(FichierLOG, vb::FormatDateTime(vb::Now()) + u" : " + infos + u"\r\n");
    });
}
