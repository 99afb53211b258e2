#pragma once
// What the mail form's texts become on the wire: envelope paths, and a message text that
// every server takes as it was meant (line ends, line lengths, lines that begin with ".").

#include "vb/String.h"

namespace TexteSMTP {

// The address of a sender or recipient field in angle brackets: the part between its first
// "<" and the next ">", else the whole field without its surrounding blanks.
vb::String Chemin(vb::StringView champ);

// Every CR or LF that is not part of a CR LF pair becomes CR LF.
vb::String FinsDeLigne(vb::StringView texte);

// The message text as it goes after "data": every line end as CR LF; lines of more than 998
// characters (997 for one that begins with ".") cut with CR LF before the last "<" that keeps
// the piece within that limit, else before the last blank, else at the limit; one more "."
// in front of each line that begins with "." (the server takes it off), so that no line on
// the wire holds more than 998 octets before its CR LF.
vb::String Donnees(vb::StringView texte);

} // namespace TexteSMTP
