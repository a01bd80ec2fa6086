#include "memory/tmx.h"

#include "languagetag.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using memory::Unit;

// Units and warnings as "SRC>TGT source=translation", and "warn LINE: message".
struct Collect : memory::UnitSink
{
    std::vector<std::string> seen;
    std::vector<Unit> units;
    void add(const Unit &unit) override
    {
        units.push_back(unit);
        seen.push_back(std::to_string(unit.sourceLanguage.primary) + "." + std::to_string(unit.sourceLanguage.sub) +
                       ">" + std::to_string(unit.targetLanguage.primary) + "." +
                       std::to_string(unit.targetLanguage.sub) + " " + unit.source + "=" + unit.translation);
    }
    void warn(const memory::ReadError &warning) override
    {
        seen.push_back("warn " + std::to_string(warning.line) + ": " + warning.message);
    }
};

std::string tmx(const std::string &header, const std::string &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n<header " + header +
           "/>\n<body>\n" + body + "</body>\n</tmx>\n";
}

struct ReadRow
{
    const char *name;
    std::string file;
    std::vector<std::string> seen;
    const char *error; // "LINE: message", or empty
};

class TmxReading : public testing::TestWithParam<ReadRow>
{
};

TEST_P(TmxReading, GivesUnitsOrTheFirstError)
{
    const ReadRow &row = GetParam();
    std::istringstream in(row.file);
    Collect sink;
    const auto error = memory::ReadTmx(in, "t.tmx", sink);
    EXPECT_EQ(error ? std::to_string(error->line) + ": " + error->message : std::string(), row.error);
    if (!error) {
        EXPECT_EQ(sink.seen, row.seen);
    }
}

const std::string kTwo = "<tu><tuv xml:lang=\"en-US\"><seg>Open</seg></tuv><tuv xml:lang=\"fr-FR\"><seg>Ouvrir</seg>"
                         "</tuv><tuv xml:lang=\"de\"><seg>\xC3\x96""ffnen</seg></tuv></tu>\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, TmxReading,
    testing::Values(
        ReadRow{"OneUnitPerTargetLanguage", tmx("srclang=\"en-US\"", kTwo),
                {"9.1>12.1 Open=Ouvrir", "9.1>7.1 Open=\xC3\x96""ffnen"}, ""},
        ReadRow{"SourceFromTheUnitsSrclang",
                tmx("srclang=\"*all*\"", "<tu srclang=\"fr\"><tuv xml:lang=\"en\"><seg>Open</seg></tuv>"
                                         "<tuv xml:lang=\"fr\"><seg>Ouvrir</seg></tuv></tu>\n"),
                {"12.1>9.1 Ouvrir=Open"}, ""},
        ReadRow{"FirstVariantWhenNoSourceIsNamed",
                tmx("srclang=\"*all*\"", "<tu><tuv lang=\"EN-us\"><seg>Open</seg></tuv>"
                                         "<tuv lang=\"fr_CA\"><seg>Ouvrir</seg></tuv></tu>\n"),
                {"9.1>12.3 Open=Ouvrir"}, ""},
        ReadRow{"InlineCodesLeftOutHighlightsKept",
                tmx("srclang=\"en\"",
                    "<tu><tuv xml:lang=\"en\"><seg><bpt i=\"1\">&lt;b&gt;</bpt>Bold<ept i=\"1\">&lt;/b&gt;</ept> "
                    "<hi>text</hi><ph>%s</ph></seg></tuv><tuv xml:lang=\"fr\"><seg>Texte gras</seg></tuv></tu>\n"),
                {"9.1>12.1 Bold text=Texte gras"}, ""},
        ReadRow{"EmptyTranslationsAndLoneVariantsLeftOut",
                tmx("srclang=\"en\"", "<tu><tuv xml:lang=\"en\"><seg>A</seg></tuv><tuv xml:lang=\"fr\"><seg/></tuv>"
                                      "</tu>\n<tu><tuv xml:lang=\"en\"><seg>B</seg></tuv></tu>\n"),
                {}, ""},
        ReadRow{"UnknownLanguageWarned",
                tmx("srclang=\"en\"", "<tu><tuv xml:lang=\"en\"><seg>A</seg></tuv>\n<tuv xml:lang=\"tlh\"><seg>"
                                      "B</seg></tuv><tuv xml:lang=\"fr\"><seg>C</seg></tuv></tu>\n"),
                {"warn 6: no Windows language for \"tlh\": left out", "9.1>12.1 A=C"}, ""},
        ReadRow{"NotWellFormed", tmx("srclang=\"en\"", "<tu><tuv xml:lang=\"en\"><seg>A</tuv></tu>\n"), {},
                "5: mismatched tag"},
        ReadRow{"NotTmx", "<?xml version=\"1.0\"?>\n<html><body/></html>\n", {},
                "2: not a TMX file: the document is <html>"},
        ReadRow{"VariantWithoutLanguage", tmx("srclang=\"en\"", "\n<tu><tuv><seg>A</seg></tuv></tu>\n"), {},
                "6: <tuv> without xml:lang"},
        ReadRow{"CutShort", "<tmx version=\"1.4\"><header srclang=\"en\"/><body><tu>", {},
                "1: no element found"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TmxWriting, ReadsBackEveryTextItWrites)
{
    std::vector<Unit> units(3);
    units[0] = {"&Open...\tCtrl+O", "&Ouvrir...\tCtrl+O", {9, 1}, {12, 1}, {"/p/fr.prj", "4", "1|2|0|", 1700000000}};
    units[1] = {"Line one\r\nLine \"two\" <b> & 'c'", "Ligne un\r\nLigne \"deux\"", {9, 1}, {12, 1}, {}};
    units[2] = {"\xD0\x9E\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C", "Ouvrir", {25, 1}, {12, 1},
                {"/p/ru.prj", "", "", 1700000001}};
    std::ostringstream out;
    {
        memory::TmxWriter writer(out);
        for (const Unit &unit : units)
            writer.add(unit);
    }
    EXPECT_NE(out.str().find("srclang=\"en-US\""), std::string::npos);
    EXPECT_NE(out.str().find("<tu creationdate=\"20231114T221321Z\" srclang=\"ru-RU\">"), std::string::npos)
        << "a unit of another source language says its own";
    std::istringstream in(out.str());
    Collect sink;
    ASSERT_FALSE(memory::ReadTmx(in, "t.tmx", sink));
    ASSERT_EQ(sink.units.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sink.units[i].source, units[i].source);
        EXPECT_EQ(sink.units[i].translation, units[i].translation);
        EXPECT_TRUE(SameLanguage(sink.units[i].sourceLanguage, units[i].sourceLanguage));
    }
    EXPECT_EQ(sink.units[0].origin.project, "/p/fr.prj");
    EXPECT_EQ(sink.units[0].origin.resourceType, "4");
    EXPECT_EQ(sink.units[0].origin.place, "1|2|0|");
    EXPECT_EQ(sink.units[0].origin.time, 1700000000);
    EXPECT_EQ(sink.units[1].origin.project, "t.tmx") << "the file stands in for a project";
}

TEST(TmxWriting, WritesWhatXmlCannotHoldAsReplacementCharacters)
{
    std::ostringstream out;
    {
        memory::TmxWriter writer(out);
        writer.add({"Bell\x07", "Cloche\x01", {9, 1}, {12, 1}, {}});
    }
    std::istringstream in(out.str());
    Collect sink;
    ASSERT_FALSE(memory::ReadTmx(in, "t.tmx", sink));
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"9.1>12.1 Bell\xEF\xBF\xBD=Cloche\xEF\xBF\xBD"}));
}

} // namespace
