#pragma once
// The mail protocol log: one dated line per call, the file opened and closed each time.

#include "vb/String.h"

class logs {
public:
    vb::String FichierLOG;

    // Appends "dd/mm/yyyy hh:nn:ss : " and `infos`; a line that cannot be written is lost.
    void OUTPUT(vb::String infos);
};
