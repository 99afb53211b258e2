#include "backuprun/SummaryReport.h"

#include "vb/Encoding.h"

#include <gtest/gtest.h>

namespace {

SummaryReport::Inputs FixedRun() {
    SummaryReport::Inputs in;
    in.dateHeure = u"06/12/2026 14:05:09";
    in.de = u"/home/alice/Documents/";
    in.vers = u"/srv/sauve/docs/";
    in.extension = u"*.*";
    in.NbFichiersCrees = 3;
    in.NbFichiersParcourus = 40;
    in.NbFichiersAJour = 2;
    in.NbRepertoiresCrees = 5;
    in.VolumeCopie = 123456;
    in.OctetsCopies = 123456;
    return in;
}

std::size_t Count(const vb::String& text, vb::StringView what) {
    std::size_t n = 0;
    for (auto p = text.find(what); p != vb::String::npos; p = text.find(what, p + 1)) {
        ++n;
    }
    return n;
}

// Sum of the fixed fragments, notices and link address aside: a blank lost or added
// anywhere in the page changes it.
constexpr std::size_t kFixedLength = 3734;

TEST(SummaryReport, PageIsTheFixedFragmentsAndTheInsertedValuesOnOneLine) {
    const auto in = FixedRun();
    const vb::String page = SummaryReport::Page(in);

    const vb::String inserted = SummaryReport::Bold(in.dateHeure) + SummaryReport::Bold(in.de) +
                                SummaryReport::Bold(in.vers) + SummaryReport::Bold(in.extension) +
                                SummaryReport::Bold(u"locale") + SummaryReport::Bold(u"3") +
                                SummaryReport::Bold(u"40") + SummaryReport::Bold(u"123456") +
                                SummaryReport::Bold(u"2") + SummaryReport::Bold(u"5") +
                                SummaryReport::Bold(u"120,5 Ko");
    // The notices and the two addresses are ours; measure them from the page.
    const auto header = page.find(u"Tramik Plenavistor<br>") + 22;
    const auto headerEnd = page.find(u"<br>", header);
    const auto footer =
        page.find(u"sans-serif\">", page.find(u"bgcolor=\"#eeeeee\">        ")) + 12;
    const auto footerEnd = page.find(u"</font></td>        </tr>      </table>");
    const auto link = page.find(u"en cliquant <a href=\"") + 21;
    const auto linkEnd = page.find(u"\">ICI</a>");
    ASSERT_NE(headerEnd, vb::String::npos);
    ASSERT_NE(footerEnd, vb::String::npos);
    ASSERT_NE(linkEnd, vb::String::npos);
    const std::size_t ours =
        (headerEnd - header) + (footerEnd - footer - 12) + (linkEnd - link) + 2;

    EXPECT_EQ(page.size(), kFixedLength + inserted.size() + ours);
    EXPECT_EQ(page.find_first_of(u"\r\n"), vb::String::npos);
    EXPECT_EQ(page.rfind(u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">", 0),
              0U);
    EXPECT_TRUE(page.ends_with(u"</table></font></body></html>"));
    EXPECT_NE(page.find(u"                  Date locale : <b>06/12/2026 14:05:09</b><br>          "
                        u"        Copie de : <b>/home/alice/Documents/</b>"),
              vb::String::npos);
    EXPECT_NE(page.find(u"Nb Octets copi&eacute;s : <b>120,5 Ko</b></font></td>"),
              vb::String::npos);
    EXPECT_NE(page.find(u"Sur la Station : <b>locale</b>"), vb::String::npos);
    EXPECT_NE(page.find(u"Tramik Plenavistor"), page.rfind(u"Tramik Plenavistor"));
}

TEST(SummaryReport, EmptyListsLeaveANonBreakingBlankInTheirCells) {
    const vb::String page = SummaryReport::Page(FixedRun());
    EXPECT_NE(page.find(u"<font color=\"#FF0000\" size=\"1\" face=\"Verdana, Arial, Helvetica, "
                        u"sans-serif\">&nbsp;</font></td>"),
              vb::String::npos);
    EXPECT_NE(page.find(u"<font color=\"#999999\" size=\"1\" face=\"Verdana, Arial, Helvetica, "
                        u"sans-serif\">&nbsp;</font></td>"),
              vb::String::npos);
    EXPECT_EQ(SummaryReport::Bold(u""), u"<b></b>");
}

TEST(SummaryReport, FoldersAreEscapedWhileTheEngineListsStayMarkup) {
    auto in = FixedRun();
    in.de = u"/src/<script>&\"x\"/";
    in.extension = u"<*>";
    in.erreur = u" Fichier /src/a\tFichier introuvable<br>";
    in.resultat = u"copie OK : /src/b<br>line\r\nbreak";
    const vb::String page = SummaryReport::Page(in);
    EXPECT_NE(page.find(u"<b>/src/&lt;script&gt;&amp;&quot;x&quot;/</b>"), vb::String::npos);
    EXPECT_NE(page.find(u"<b>&lt;*&gt;</b>"), vb::String::npos);
    EXPECT_EQ(page.find(u"<script>"), vb::String::npos);
    EXPECT_NE(page.find(u"sans-serif\"> Fichier /src/a\tFichier introuvable<br>&nbsp;"),
              vb::String::npos);
    EXPECT_NE(page.find(u"copie OK : /src/b<br>line\r\nbreak&nbsp;"), vb::String::npos);
    EXPECT_EQ(Count(page, u"\r\n"), 1U);
}

TEST(SummaryReport, CountersAndVolumeAsPlainNumbers) {
    auto in = FixedRun();
    in.NbFichiersCrees = -1;
    in.VolumeCopie = 5905580032.0;
    in.OctetsCopies = 5905580032.0;
    const vb::String page = SummaryReport::Page(in);
    EXPECT_NE(page.find(u"cr&eacute;&eacute;s : <b>-1</b>"), vb::String::npos);
    EXPECT_NE(page.find(u"Volumes copi&eacute;s : <b>5905580032</b>"), vb::String::npos);
    EXPECT_NE(page.find(u"Nb Octets copi&eacute;s : <b>5,5 Go</b>"), vb::String::npos);
}

} // namespace
