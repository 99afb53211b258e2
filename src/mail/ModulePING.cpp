#include "mail/ModulePING.h"

#include "vb/Convert.h"
#include "vb/Encoding.h"
#include "winsock/HostEntry.h"

namespace ModulePING {

vb::String ResoudreAdresseIP(vb::String& name) {
    const std::optional<winsock::HostEntry> hote = winsock::gethostbyname(vb::EncodeText(name));
    if (!hote || hote->h_addr_list.empty()) {
        return {};
    }
    const std::string& adresse = hote->h_addr_list.front();
    vb::String texte;
    for (std::int16_t i = 0; i < hote->h_length && static_cast<std::size_t>(i) < adresse.size();
         ++i) {
        texte += vb::CStr(static_cast<std::int32_t>(static_cast<unsigned char>(adresse[i])));
        texte += u'.';
    }
    if (!texte.empty()) {
        texte.pop_back();
    }
    return texte;
}

} // namespace ModulePING
