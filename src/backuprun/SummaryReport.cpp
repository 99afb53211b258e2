#include "backuprun/SummaryReport.h"

#include "routines/Conversion.h"
#include "routines/Html.h"
#include "vb/Convert.h"

#include <initializer_list>

namespace SummaryReport {

namespace {

constexpr vb::StringView kHeaderNotice = u"Rapport de sauvegarde automatique de Quorvel";
constexpr vb::StringView kFooterNoticeStart = u"Quorvel est un logiciel de Tramik Plenavistor ";
constexpr vb::StringView kFooterNoticeRest =
    u"<a href=\"https://www.tramik.example/\">https://www.tramik.example/</a>";
constexpr vb::StringView kProgramPage = u"https://www.tramik.example/quorvel/";

void Append(vb::String& page, std::initializer_list<vb::StringView> fragments) {
    for (const vb::StringView fragment : fragments) {
        page += fragment;
    }
}

} // namespace

vb::String Bold(vb::StringView texte) {
    vb::String out(u"<b>");
    out += texte;
    out += u"</b>";
    return out;
}

vb::String Page(const Inputs& in) {
    vb::String page;
    page.reserve(8192 + in.erreur.size() + in.resultat.size());
    Append(page,
           {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
            u"<html><head><title>Tramik Quorvel</title>",
            u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
            u"</head><body><font face=\"Verdana, Arial, Helvetica, sans-serif\" size=\"1\"> Tramik "
            u"Plenavistor<br>",
            kHeaderNotice, u"<br>",
            u"<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">", u"  <tr>",
            u"    <td width=\"220px\" valign=\"top\"><table width=\"100%\" border=\"0\" "
            u"cellspacing=\"1\" bgcolor=\"#000000\" cellpadding=\"0\">",
            u"        <tr>",
            u"          <td> <table width=\"100%\" border=\"0\" cellspacing=\"0\"  "
            u"bgcolor=\"#FFFFFF\" cellpadding=\"\">",
            u"              <tr>",
            u"                <td bgcolor=\"#eeeeee\"  valign=\"top\"><font color=\"#67759D\" "
            u"size=\"2\">Commande</font></td>",
            u"              </tr>", u"              <tr>",
            u"                <td><font size=\"1\" face=\"Verdana, Arial, Helvetica, sans-serif\">",
            u"                  Date locale : "});
    page += Bold(in.dateHeure);
    Append(page, {u"<br>                  Copie de : "});
    page += Bold(Html::Escape(in.de));
    Append(page, {u"<br>                  Vers : "});
    page += Bold(Html::Escape(in.vers));
    Append(page, {u"<br>                  Extension : "});
    page += Bold(Html::Escape(in.extension));
    Append(page, {u"<br>                  Sur la Station : "});
    page += Bold(u"locale");
    Append(page,
           {u"</font></td>              </tr>", u"              <tr>",
            u"                <td bgcolor=\"#eeeeee\"><font color=\"#67759D\" "
            u"size=\"2\">R&eacute;sultats</font></td>",
            u"              </tr>", u"              <tr>",
            u"                <td><font size=\"1\" face=\"Verdana, Arial, Helvetica, sans-serif\">",
            u"                  Nb fichiers cr&eacute;&eacute;s : "});
    page += Bold(vb::CStr(in.NbFichiersCrees));
    Append(page, {u"<br>                  Nb fichiers parcourus : "});
    page += Bold(vb::CStr(in.NbFichiersParcourus));
    Append(page, {u"<br>                  Volumes copi&eacute;s : "});
    page += Bold(vb::CStr(in.VolumeCopie));
    Append(page, {u"<br>                  Nb fichiers &agrave; jour : "});
    page += Bold(vb::CStr(in.NbFichiersAJour));
    Append(page, {u"<br>                  Nb r&eacute;pertoires cr&eacute;&eacute;s : "});
    page += Bold(vb::CStr(in.NbRepertoiresCrees));
    Append(page, {u"<br>                  Nb Octets copi&eacute;s : "});
    page += Bold(Conversion::FormatTaille(in.OctetsCopies));
    Append(
        page,
        {u"</font></td>              </tr>", u"            </table></td>", u"        </tr>",
         u"      </table></td>", u"    <td width=\"10\">&nbsp;</td>",
         u"    <td valign=\"top\"><table width=\"100%\" border=\"0\" cellspacing=\"1\" "
         u"cellpadding=\"0\" bgcolor=\"#000000\">",
         u"        <tr>",
         u"          <td><table width=\"100%\" border=\"0\" cellpadding=\"0\" cellspacing=\"0\" "
         u"bgcolor=\"#FFFFFF\">",
         u"              <tr>",
         u"                <td><table width=\"100%\" border=\"0\" cellspacing=\"0\" "
         u"cellpadding=\"0\">",
         u"                    <tr>",
         u"                      <td bgcolor=\"#eeeeee\"><font color=\"#67759D\" size=\"2\">Liste",
         u"                        des <font face=\"Verdana, Arial, Helvetica, "
         u"sans-serif\">Erreurs</font></font></td>",
         u"                    </tr>", u"                    <tr>",
         u"                      <td><font color=\"#FF0000\" size=\"1\" face=\"Verdana, Arial, "
         u"Helvetica, sans-serif\">"});
    page += in.erreur;
    Append(
        page,
        {u"&nbsp;</font></td>", u"                    </tr>", u"                    <tr>",
         u"                      <td bgcolor=\"#eeeeee\"><font color=\"#67759D\" size=\"2\">Liste",
         u"                        des R&eacute;sulats</font></td>", u"                    </tr>",
         u"                    <tr>",
         u"                      <td><font color=\"#999999\" size=\"1\" face=\"Verdana, Arial, "
         u"Helvetica, sans-serif\">"});
    page += in.resultat;
    Append(
        page,
        {u"&nbsp;</font></td>",
         u"                    </tr>",
         u"                  </table></td>",
         u"              </tr>",
         u"            </table></td>",
         u"        </tr>",
         u"      </table></td>",
         u"  </tr>",
         u"</table><br><table width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"0\" "
         u"bgcolor=\"#000000\">",
         u"  <tr>    <td><table width=\"100%\" border=\"0\" cellpadding=\"0\" cellspacing=\"0\" "
         u"bgcolor=\"#eeeeee\">",
         u"        <tr>          <td><font size=\"1\" face=\"Verdana, Arial, Helvetica, "
         u"sans-serif\">",
         kFooterNoticeStart,
         u"            ",
         kFooterNoticeRest,
         u"</font></td>",
         u"        </tr>      </table></td>  </tr></table>",
         u"<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">",
         u"  <tr>    <td><div align=\"center\">        <p><font color=\"#999999\" size=\"1\" "
         u"face=\"Verdana, Arial, Helvetica, sans-serif\">Si",
         u"          vous souhaitez participer &agrave; l'am&eacute;lioration de ce logiciel<br>",
         u"          </font><font color=\"#999999\" size=\"1\" face=\"Verdana, Arial, Helvetica, "
         u"sans-serif\">",
         u"          vous pouvez nous faire part de vos remarques sur notre site internet",
         u"          en cliquant <a href=\"",
         kProgramPage,
         u"\">ICI</a></font></p>",
         u"        </div></td>",
         u"  </tr>",
         u"</table>",
         u"</font></body></html>"});
    return page;
}

} // namespace SummaryReport
