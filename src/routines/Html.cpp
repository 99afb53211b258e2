#include "routines/Html.h"

namespace Html {

vb::String Escape(vb::StringView text) {
    vb::String out;
    out.reserve(text.size());
    for (const vb::Char c : text) {
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

} // namespace Html
