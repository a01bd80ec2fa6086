#include "memory/glossary.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

constexpr LanguageId kEnglish{9, 1};
constexpr LanguageId kFrench{12, 1};

std::string utf8(const std::u16string &text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? std::string(1, static_cast<char>(c)) : "?";
    return out;
}

const std::vector<memory::Term> kTerms = {
    {"file", "fichier", "", kEnglish, kFrench},      {"File", "dossier", "", kEnglish, kFrench},
    {"save as", "enregistrer sous", "", kEnglish, kFrench}, {"save", "enregistrer", "verb", kEnglish, kFrench},
    {"e-mail", "courriel", "", kEnglish, kFrench},   {"print", "imprimer", "", kEnglish, kFrench},
};

struct TermRow
{
    const char *name;
    std::u16string master;
    std::u16string translation;
    const char *found; // "term[begin,end]+" (translated) or "-" (not), blank between
};

class GlossaryMatching : public testing::TestWithParam<TermRow>
{
};

TEST_P(GlossaryMatching, ListsTheTermsOfTheMasterAndWhetherTheTranslationHoldsOne)
{
    const TermRow &row = GetParam();
    const memory::Glossary glossary(kTerms);
    std::string shown;
    for (const auto &found : glossary.find(row.master, row.translation)) {
        if (!shown.empty())
            shown += ' ';
        shown += utf8(found.term) + "[" + std::to_string(found.begin) + "," + std::to_string(found.end) + "]" +
                 (found.translated ? "+" : "-");
    }
    EXPECT_EQ(shown, row.found);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GlossaryMatching,
    testing::Values(TermRow{"WholeWordAnyCase", u"Open FILE", u"Ouvrir le fichier", "file[5,9]+"},
                    TermRow{"AnyOfItsTranslations", u"Open file", u"Ouvrir le Dossier", "file[5,9]+"},
                    TermRow{"NoneOfItsTranslations", u"Open file", u"Ouvrir le document", "file[5,9]-"},
                    TermRow{"AccessKeysLeftOut", u"&Print fi&le", u"&Imprimer le fic&hier", "print[1,6]+ file[7,12]+"},
                    TermRow{"NotInsideAWord", u"Profile and files", u"Profil", ""},
                    TermRow{"TranslationAsAWholeWordToo", u"Open file", u"Ouvrir les fichiers", "file[5,9]-"},
                    TermRow{"LongerTermFirst", u"Save as...", u"Enregistrer sous...", "save as[0,7]+ save[0,4]+"},
                    TermRow{"PunctuationInsideATerm", u"Send by e-mail", u"Envoyer par courriel", "e-mail[8,14]+"},
                    TermRow{"EachTermOnce", u"File, file and file", u"Fichier", "file[0,4]+"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(GlossaryMatching, KeepsTheNotesOfATerm)
{
    const memory::Glossary glossary(kTerms);
    const auto found = glossary.find(u"Save", u"Sauver");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].notes, std::vector<std::string>{"verb"});
    EXPECT_EQ(found[0].translations, std::vector<std::u16string>{u"enregistrer"});
}

struct TermFileRow
{
    const char *name;
    bool tbx;
    std::string file;
    const char *read; // "source=translation(note)" joined by "; ", or the error
};

class TermFiles : public testing::TestWithParam<TermFileRow>
{
};

TEST_P(TermFiles, GiveTermsOrTheFirstError)
{
    const TermFileRow &row = GetParam();
    std::istringstream in(row.file);
    std::vector<memory::Term> terms;
    const auto error = row.tbx ? memory::ReadTbx(in, "t", kFrench, terms)
                               : memory::ReadTermCsv(in, "t", {0, 0}, kFrench, terms);
    std::string read;
    for (const auto &term : terms) {
        if (!read.empty())
            read += "; ";
        read += term.source + "=" + term.translation + (term.note.empty() ? "" : "(" + term.note + ")");
        if (row.tbx)
            read += "/" + std::to_string(term.sourceLanguage.primary);
    }
    EXPECT_EQ(error ? error->text() : read, row.read);
    if (error) {
        EXPECT_TRUE(terms.empty()) << "nothing kept of a file with an error";
    }
}

const char *const kTbx = R"(<?xml version="1.0" encoding="UTF-8"?>
<martif type="TBX" xml:lang="en">
<text><body>
<termEntry id="1">
  <descrip type="definition">A named set of data</descrip>
  <langSet xml:lang="en"><tig><term>file</term></tig></langSet>
  <langSet xml:lang="fr-FR"><tig><term>fichier</term></tig><ntig><termGrp><term>dossier</term></termGrp></ntig></langSet>
  <langSet xml:lang="de"><tig><term>Datei</term></tig></langSet>
</termEntry>
<termEntry id="2">
  <langSet xml:lang="en"><tig><term>print</term></tig></langSet>
</termEntry>
</body></text>
</martif>
)";

const char *const kTbx3 = R"(<?xml version="1.0"?>
<tbx type="TBX-Basic" style="dca" xml:lang="en" xmlns="urn:iso:std:iso:30042:ed-2">
<text><body>
<conceptEntry id="c1"><langSec xml:lang="en"><termSec><term>window</term></termSec></langSec>
<langSec xml:lang="fr"><termSec><term>fenêtre</term></termSec></langSec></conceptEntry>
</body></text></tbx>
)";

INSTANTIATE_TEST_SUITE_P(
    Rows, TermFiles,
    testing::Values(
        TermFileRow{"Tbx", true, kTbx,
                    "file=fichier(A named set of data)/9; file=dossier(A named set of data)/9; "
                    "Datei=fichier(A named set of data)/7; Datei=dossier(A named set of data)/7"},
        TermFileRow{"Tbx3", true, kTbx3, "window=fen\xC3\xAAtre/9"},
        TermFileRow{"TbxNotWellFormed", true, "<martif><text><body><termEntry></body>", "t:1: mismatched tag"},
        TermFileRow{"NotTbx", true, "<tmx/>", "t:1: not a TBX file: the document is <tmx>"},
        TermFileRow{"CsvWithHeaderAndNotes", false, "Source,Translation,Note\nfile,fichier,noun\nsave,enregistrer\n",
                    "file=fichier(noun); save=enregistrer"},
        TermFileRow{"CsvQuoted", false, "\xEF\xBB\xBF\"save, as\",\"enregistrer \"\"sous\"\"\"\r\n\r\n",
                    "save, as=enregistrer \"sous\""},
        TermFileRow{"CsvSemicolons", false, "file;fichier;nom\n", "file=fichier(nom)"},
        TermFileRow{"CsvTabs", false, "file\tfichier, dossier\n", "file=fichier, dossier"},
        TermFileRow{"CsvOneField", false, "file,fichier\nprint\n",
                    "t:2: a term line has 2 or 3 fields (term, translation, note), not 1"},
        TermFileRow{"CsvFourFields", false, "a,b,c,d\n",
                    "t:1: a term line has 2 or 3 fields (term, translation, note), not 4"},
        TermFileRow{"CsvEmptyTranslation", false, "file,\n", "t:1: an empty term or translation"},
        TermFileRow{"CsvOpenQuote", false, "file,\"fichier\n", "t:1: a quoted field that does not end"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
