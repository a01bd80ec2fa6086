#include "memory/po.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Collect : memory::UnitSink
{
    std::vector<std::string> seen;
    void add(const memory::Unit &unit) override
    {
        seen.push_back(std::to_string(unit.targetLanguage.primary) + "." + std::to_string(unit.targetLanguage.sub) +
                       " " + unit.source + "=" + unit.translation + (unit.origin.place.empty() ? "" : " @" + unit.origin.place));
    }
};

std::string header(const std::string &language, const std::string &charset = "UTF-8")
{
    return "msgid \"\"\nmsgstr \"\"\n\"Project-Id-Version: notepad\\n\"\n" +
           (language.empty() ? std::string() : "\"Language: " + language + "\\n\"\n") +
           "\"Content-Type: text/plain; charset=" + charset + "\\n\"\n\n";
}

struct PoRow
{
    const char *name;
    std::string file;
    std::vector<std::string> seen;
    const char *error; // "LINE: message", or empty
};

class PoReading : public testing::TestWithParam<PoRow>
{
};

TEST_P(PoReading, GivesTranslatedMessagesOrTheFirstError)
{
    const PoRow &row = GetParam();
    std::istringstream in(row.file);
    Collect sink;
    const auto error = memory::ReadPo(in, "fr.po", sink);
    EXPECT_EQ(error ? std::to_string(error->line) + ": " + error->message : std::string(), row.error);
    if (!error) {
        EXPECT_EQ(sink.seen, row.seen);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PoReading,
    testing::Values(
        PoRow{"Messages", header("fr") + "#: main.c:10\nmsgid \"&Open\"\nmsgstr \"&Ouvrir\"\n\n"
                                         "msgctxt \"menu\"\nmsgid \"Save\"\nmsgstr \"Enregistrer\"\n",
              {"12.1 &Open=&Ouvrir", "12.1 Save=Enregistrer @menu"}, ""},
        PoRow{"LanguageByRegion", header("pt_BR") + "msgid \"Open\"\nmsgstr \"Abrir\"\n", {"22.1 Open=Abrir"}, ""},
        PoRow{"LanguageWithRegionOfItsOwn", header("de_AT") + "msgid \"Open\"\nmsgstr \"\xC3\x96""ffnen\"\n",
              {"7.3 Open=\xC3\x96""ffnen"}, ""},
        PoRow{"ContinuedStringsAndEscapes",
              header("fr") + "msgid \"\"\n\"Line one\\n\"\n\"Tab\\there \\\"quoted\\\" \\\\\"\nmsgstr \"\"\n"
                             "\"Ligne un\\n\"\n\"Tab\\tici \\\"cit\\303\\251\\\" \\\\\"\n",
              {"12.1 Line one\nTab\there \"quoted\" \\=Ligne un\nTab\tici \"cit\xC3\xA9\" \\"}, ""},
        PoRow{"FuzzyObsoleteAndEmptyLeftOut",
              header("fr") + "#, fuzzy, c-format\nmsgid \"A\"\nmsgstr \"a\"\n\nmsgid \"B\"\nmsgstr \"\"\n\n"
                             "#~ msgid \"C\"\n#~ msgstr \"c\"\n\nmsgid \"D\"\nmsgstr \"d\"\n",
              {"12.1 D=d"}, ""},
        PoRow{"PluralsByTheirFirstForm",
              header("fr") + "msgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"%d fichier\"\n"
                             "msgstr[1] \"%d fichiers\"\n",
              {"12.1 %d file=%d fichier"}, ""},
        PoRow{"MessagesWithoutBlankLinesBetween",
              header("fr") + "msgid \"A\"\nmsgstr \"a\"\n#, fuzzy\nmsgid \"B\"\nmsgstr \"b\"\nmsgid \"C\"\nmsgstr \"c\"\n",
              {"12.1 A=a", "12.1 C=c"}, ""},
        PoRow{"Latin1", header("fr", "ISO-8859-1") + "msgid \"Window\"\nmsgstr \"Fen\xEAtre\"\n",
              {"12.1 Window=Fen\xC3\xAAtre"}, ""},
        PoRow{"NoLanguage", header("") + "msgid \"A\"\nmsgstr \"a\"\n", {},
              "6: no \"Language:\" in the header: the target language is unknown"},
        PoRow{"UnknownLanguage", header("tlh"), {}, "1: no Windows language for \"tlh\""},
        PoRow{"UnknownCharset", header("fr", "X-NONE"), {}, "1: unknown charset \"X-NONE\""},
        PoRow{"UnterminatedString", header("fr") + "msgid \"A\nmsgstr \"a\"\n", {},
              "7: a string must stand between double quotes"},
        PoRow{"StringWithoutMessage", header("fr") + "msgstr \"a\"\n", {}, "7: msgstr without msgid"},
        PoRow{"MessageWithoutString", header("fr") + "msgid \"A\"\n\nmsgid \"B\"\nmsgstr \"b\"\n", {},
              "7: msgid without msgstr"},
        PoRow{"UnknownEscape", header("fr") + "msgid \"A\\q\"\nmsgstr \"a\"\n", {}, "7: an unknown escape \\q"},
        PoRow{"UnknownKeyword", header("fr") + "msgid \"A\"\nmsgtext \"a\"\n", {}, "8: unexpected \"msgtext\""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PoReading, TakesTheLanguageGivenWhenTheHeaderHasNone)
{
    std::istringstream in(header("") + "msgid \"A\"\nmsgstr \"a\"\n");
    Collect sink;
    memory::PoOptions options;
    options.language = LanguageId{25, 1};
    EXPECT_FALSE(memory::ReadPo(in, "ru.po", sink, options));
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"25.1 A=a"}));
}

} // namespace
