#include "memory/sqlitememory.h"

#include "testfiles.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

namespace {

void sql(const std::string &path, const char *statements)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

using memory::Unit;

constexpr LanguageId kEnglish{9, 1};
constexpr LanguageId kFrench{12, 1};
constexpr LanguageId kGerman{7, 1};

Unit unit(const std::string &source, const std::string &translation, std::int64_t time = 1000,
          LanguageId target = kFrench, LanguageId sourceLanguage = kEnglish)
{
    Unit u;
    u.source = source;
    u.translation = translation;
    u.sourceLanguage = sourceLanguage;
    u.targetLanguage = target;
    u.origin = {"/p/notepad/fr.prj", "4", "1|2|0|", time};
    return u;
}

std::unique_ptr<memory::TranslationMemory> open(const std::string &path)
{
    auto opened = memory::OpenSqliteMemory(path);
    EXPECT_TRUE(opened.failure.empty()) << opened.failure;
    EXPECT_TRUE(opened.notice.empty()) << opened.notice;
    return std::move(opened.memory);
}

// "SCORE source=translation" per match, best first.
std::vector<std::string> lookUp(memory::TranslationMemory &tm, const std::string &text, LanguageId target = kFrench,
                                int threshold = memory::kDefaultThreshold)
{
    memory::LookupQuery query;
    query.text = text;
    query.target = target;
    query.threshold = threshold;
    std::string failure;
    std::vector<std::string> out;
    for (const auto &match : tm.lookup(query, &failure))
        out.push_back(std::to_string(match.score) + " " + match.unit.source + "=" + match.unit.translation);
    EXPECT_EQ(failure, "");
    return out;
}

class SqliteMemory : public testing::Test
{
protected:
    void SetUp() override
    {
        tm = open(path);
        ASSERT_TRUE(tm);
        ASSERT_EQ(tm->add({unit("&Open file", "&Ouvrir un fichier", 1000), unit("&Open files", "&Ouvrir des fichiers"),
                           unit("&Open file", "Ouvrir le &fichier", 2000), unit("Open", "Ouvrir"),
                           unit("&Save file", "&Enregistrer le fichier"), unit("Close all windows", "Tout fermer"),
                           unit("&Open file", "&Datei \xC3\xB6""ffnen", 3000, kGerman)}),
                  "");
    }
    TempDir dir;
    std::string path = dir.file("data/memory.sqlite");
    std::unique_ptr<memory::TranslationMemory> tm;
};

TEST_F(SqliteMemory, GivesExactMatchesFirstThenFuzzyOnesByScoreThenNewerFirst)
{
    EXPECT_EQ(lookUp(*tm, "&Open file"), (std::vector<std::string>{"100 &Open file=Ouvrir le &fichier",
                                                                   "100 &Open file=&Ouvrir un fichier",
                                                                   "90 &Open files=&Ouvrir des fichiers"}));
    EXPECT_EQ(lookUp(*tm, "&Open file", kGerman), (std::vector<std::string>{"100 &Open file=&Datei \xC3\xB6""ffnen"}));
    EXPECT_EQ(lookUp(*tm, "&Open file", kFrench, 95).size(), 2u);
    EXPECT_EQ(lookUp(*tm, "&Save file", kFrench, 60).size(), 3u) << "the words found, then the score";
    EXPECT_EQ(lookUp(*tm, "Print preview"), std::vector<std::string>{});
}

TEST_F(SqliteMemory, FindsWordsAcrossAccessKeysAndCase)
{
    EXPECT_EQ(lookUp(*tm, "open Files"), (std::vector<std::string>{"72 &Open files=&Ouvrir des fichiers"}));
}

TEST_F(SqliteMemory, KeepsEachUnitOnceWithItsNewestOrigin)
{
    const std::size_t count = tm->unitCount();
    Unit again = unit("Open", "Ouvrir", 5000);
    again.origin.project = "/p/wordpad/fr.prj";
    Unit older = unit("Open", "Ouvrir", 10);
    older.origin.project = "/p/old/fr.prj";
    Unit saved = unit("Open", "Ouvrir", 6000);
    saved.origin.project = "/p/wordpad/fr.prj"; // the same place saved again
    ASSERT_EQ(tm->add({again, older, saved}), "");
    EXPECT_EQ(tm->unitCount(), count);
    memory::LookupQuery query;
    query.text = "Open";
    query.target = kFrench;
    const auto matches = tm->lookup(query);
    ASSERT_FALSE(matches.empty());
    EXPECT_EQ(matches[0].unit.origin.project, "/p/wordpad/fr.prj");
    EXPECT_EQ(matches[0].unit.origin.time, 5000);
}

TEST_F(SqliteMemory, KeepsNothingOfAnImportThatFails)
{
    const std::size_t count = tm->unitCount();
    const auto result = tm->import([](memory::UnitSink &sink) -> std::optional<memory::ReadError> {
        sink.add(unit("Print", "Imprimer"));
        return memory::ReadError{"x.tmx", 7, "mismatched tag"};
    });
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->text(), "x.tmx:7: mismatched tag");
    EXPECT_EQ(result.units, 0u);
    EXPECT_EQ(tm->unitCount(), count);
    EXPECT_TRUE(lookUp(*tm, "Print").empty());
}

TEST_F(SqliteMemory, IsSharedWithAnotherConnectionWhileOneWrites)
{
    auto other = open(path);
    ASSERT_TRUE(other);
    std::vector<std::string> seenDuringImport;
    const auto result = tm->import([&](memory::UnitSink &sink) -> std::optional<memory::ReadError> {
        sink.add(unit("Print", "Imprimer"));
        seenDuringImport = lookUp(*other, "Print"); // reads while the import holds the write lock
        return std::nullopt;
    });
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(seenDuringImport.empty());
    EXPECT_EQ(lookUp(*other, "Print"), (std::vector<std::string>{"100 Print=Imprimer"}));
    EXPECT_EQ(other->add({unit("Help", "Aide")}), "");
    EXPECT_EQ(lookUp(*tm, "Help"), (std::vector<std::string>{"100 Help=Aide"}));
}

TEST_F(SqliteMemory, KeepsTermsPerLanguagePair)
{
    ASSERT_EQ(tm->addTerms({{"file", "fichier", "not dossier", kEnglish, kFrench},
                            {"file", "fichier", "noun", kEnglish, kFrench},
                            {"window", "fen\xC3\xAAtre", "", {0, 0}, kFrench},
                            {"file", "Datei", "", kEnglish, kGerman}}),
              "");
    const auto french = tm->terms(kEnglish, kFrench);
    ASSERT_EQ(french.size(), 2u);
    EXPECT_EQ(french[0].source + "=" + french[0].translation + " " + french[0].note, "file=fichier noun");
    EXPECT_EQ(french[1].source, "window") << "a term of any source language";
    EXPECT_EQ(tm->terms({7, 1}, kFrench).size(), 1u);
}

TEST_F(SqliteMemory, ExportsTheUnitsOfOneLanguageInTheOrderAdded)
{
    std::vector<std::string> exported;
    ASSERT_EQ(tm->exportUnits(kGerman, [&](const Unit &u) { exported.push_back(u.source + "=" + u.translation); }),
              "");
    EXPECT_EQ(exported, (std::vector<std::string>{"&Open file=&Datei \xC3\xB6""ffnen"}));
}

struct DamageRow
{
    const char *name;
    // Spoils the database file at this path (closed).
    void (*spoil)(const std::string &path);
};

class DamagedMemory : public testing::TestWithParam<DamageRow>
{
};

TEST_P(DamagedMemory, IsSetAsideAndANewOneStarted)
{
    TempDir dir;
    const std::string path = dir.file("memory.sqlite");
    {
        auto tm = open(path);
        ASSERT_TRUE(tm);
        std::vector<Unit> units;
        for (int i = 0; i < 3000; ++i)
            units.push_back(unit("Text number " + std::to_string(i), "Texte " + std::to_string(i)));
        ASSERT_EQ(tm->add(units), "");
    }
    GetParam().spoil(path);
    auto opened = memory::OpenSqliteMemory(path);
    std::string failure;
    if (opened.memory && opened.notice.empty()) {
        // Damage the opening did not see shows in the first lookup that reads it.
        memory::LookupQuery query;
        query.text = "Text number 2999";
        query.target = kFrench;
        opened.memory->lookup(query, &failure);
        EXPECT_NE(failure.find("was damaged: it was renamed"), std::string::npos) << failure;
    } else {
        EXPECT_NE(opened.notice.find("was damaged: it was renamed " + path + ".damaged-"), std::string::npos)
            << opened.notice << opened.failure;
    }
    ASSERT_TRUE(opened.memory) << opened.failure;
    EXPECT_EQ(opened.memory->add({unit("Open", "Ouvrir")}), "");
    EXPECT_EQ(lookUp(*opened.memory, "Open"), (std::vector<std::string>{"100 Open=Ouvrir"}));
    int asideCount = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        asideCount += entry.path().filename().string().find(".damaged-") != std::string::npos &&
                      entry.path().extension() != ".sqlite-wal";
    EXPECT_GE(asideCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedMemory,
    testing::Values(DamageRow{"NotADatabase", [](const std::string &path) { WriteFile(path, std::string(9000, 'x')); }},
                    DamageRow{"AnotherProgramsDatabase",
                              [](const std::string &path) {
                                  std::filesystem::remove(path);
                                  sql(path, "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('x');");
                              }},
                    DamageRow{"PagesOverwritten",
                              [](const std::string &path) {
                                  std::string bytes = ReadFile(path);
                                  for (std::size_t i = 4096 * 2; i < bytes.size(); ++i)
                                      bytes[i] = static_cast<char>(0xA5);
                                  WriteFile(path, bytes);
                              }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SqliteMemoryOpening, ReportsAFolderItCannotWriteAndANewerDatabase)
{
    TempDir dir;
    WriteFile(dir.file("file"), "x");
    const auto opened = memory::OpenSqliteMemory(dir.file("file/memory.sqlite"));
    EXPECT_FALSE(opened.memory);
    EXPECT_NE(opened.failure.find("Can't open the translation memory " + dir.file("file/memory.sqlite")),
              std::string::npos)
        << opened.failure;

    const std::string newer = dir.file("newer.sqlite");
    sql(newer, "CREATE TABLE future(x); PRAGMA user_version=2;");
    const auto refused = memory::OpenSqliteMemory(newer);
    EXPECT_FALSE(refused.memory);
    EXPECT_EQ(refused.failure, "Can't open the translation memory " + newer +
                                   ": it was made by a newer version of the program");
    EXPECT_TRUE(std::filesystem::exists(newer)) << "left where it is";
}

} // namespace
