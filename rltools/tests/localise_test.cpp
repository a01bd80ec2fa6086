// Localised files: which copy of a resource the texts come from, the copies
// kept beside the target language's, version blocks in the target language,
// texts that cannot go into a resource, and empty translations.
#include "peinfo.h"
#include "reswriter.h"
#include "restokens.h"
#include "testimages.h"
#include "tokenio.h"
#include "tokenmerge.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kArabic = MakeLangId(1, 1);
constexpr std::uint16_t kCatalan = MakeLangId(3, 1);
constexpr std::uint16_t kEnglish = MakeLangId(9, 1);
constexpr std::uint16_t kFrench = MakeLangId(12, 1);

std::vector<std::uint8_t> bytesOf(const std::string &s)
{
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

// Token lines as the master token file holds them, with `changes` made.
TokenTable projectOf(const std::vector<ResourceToken> &tokens,
                     const std::vector<std::pair<std::string, std::string>> &changes = {})
{
    std::string bytes = MasterTokenFile(tokens);
    for (const auto &[from, to] : changes) {
        const auto at = bytes.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            bytes.replace(at, from.size(), to);
    }
    TokenTable table;
    EXPECT_EQ(LoadTokens(bytes, table), TokenLoadStatus::Ok);
    return table;
}

std::string textOf(const std::vector<ResourceToken> &tokens, const std::string &key)
{
    for (const ResourceToken &t : tokens) {
        if (t.key() == key)
            return t.text;
    }
    return "<no token " + key + ">";
}

const Resource *copyOf(const ResourceFile &file, std::uint16_t type, std::uint16_t name, std::uint16_t language)
{
    for (const Resource &r : file.resources) {
        if (r.type == ResId::of(type) && r.name == ResId::of(name) && r.language == language)
            return &r;
    }
    return nullptr;
}

TEST(SourceLanguage, ChosenThenNeutralThenEnglishThenFirst)
{
    const ResourceFile file = ReadResourceFile(ReadImage("languages.dll"));
    // No choice: the English menu, the neutral strings, the first (Arabic) dialog.
    const auto automatic = ExtractTokens(file);
    EXPECT_EQ(textOf(automatic, "4|1|0|0|"), "&File");
    EXPECT_EQ(textOf(automatic, "6|1|1|1|"), "Ready (neutral)");
    EXPECT_EQ(textOf(automatic, "5|100|0|0|"), "\\u062D\\u0648\\u0644");
    EXPECT_EQ(textOf(automatic, "6|2|17|1|"), "Save changes?");
    EXPECT_EQ(textOf(automatic, "6|3|33|1|"), "Exit") << "English under the neutral sub-language";
    // Catalan chosen: Catalan where the resource has it, the same rule elsewhere.
    const auto catalan = ExtractTokens(file, {kCatalan});
    EXPECT_EQ(textOf(catalan, "4|1|0|0|"), "&Fitxer");
    EXPECT_EQ(textOf(catalan, "6|1|1|1|"), "Ready (neutral)");
    EXPECT_EQ(textOf(catalan, "5|100|0|0|"), "Quant a");
    // Looked up as Windows does: Catalan (Valencia) finds Catalan.
    EXPECT_EQ(LanguageLookupOrder(MakeLangId(3, 2)),
              (std::vector<std::uint16_t>{MakeLangId(3, 2), MakeLangId(3, 0), MakeLangId(3, 1)}));
    EXPECT_EQ(textOf(ExtractTokens(file, LanguageLookupOrder(MakeLangId(3, 2))), "4|1|0|0|"), "&Fitxer");
    EXPECT_EQ(LanguageLookupOrder(MakeLangId(9, 1)), (std::vector<std::uint16_t>{MakeLangId(9, 1), MakeLangId(9, 0)}));
    // A language the file does not hold at all changes nothing.
    EXPECT_EQ(ExtractTokens(file, {MakeLangId(7, 1)}).size(), automatic.size());
    EXPECT_EQ(textOf(ExtractTokens(file, {MakeLangId(7, 1)}), "4|1|0|0|"), "&File");
}

TEST(SourceLanguage, TargetLanguageGoesBesideEveryLanguageOfTheSource)
{
    const auto source = ReadImage("languages.dll");
    const ResourceFile original = ReadResourceFile(source);
    const auto tokens = ExtractTokens(original, {kCatalan});
    const TokenTable project = projectOf(tokens, {{"]]=&Obre\r\n", "]]=&Ouvrir\r\n"},
                                                  {"]]=Save changes?\r\n", "]]=Enregistrer ?\r\n"}});
    const LocalisedFile written = WriteLocalisedFile(source, project, kFrench, {kCatalan});
    const ResourceFile target = ReadResourceFile(bytesOf(written.bytes));

    // Every copy of the source is kept, but the French string block it replaces.
    for (const Resource &r : original.resources) {
        const Resource *kept = copyOf(target, r.type.number, r.name.number, r.language);
        ASSERT_NE(kept, nullptr) << r.type.number << " " << r.name.number << " " << r.language;
        if (r.language != kFrench) {
            EXPECT_EQ(kept->data, r.data);
        }
    }
    // The French copies: made from the Catalan ones where there are, the dialog
    // without the Arabic one's right-to-left layout.
    const Resource *dialog = copyOf(target, 5, 100, kFrench);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->data, copyOf(original, 5, 100, kCatalan)->data);
    const auto french = ExtractTokens(target, {kFrench});
    EXPECT_EQ(textOf(french, "4|1|101|1|"), "&Ouvrir");
    EXPECT_EQ(textOf(french, "4|1|0|0|"), "&Fitxer");
    EXPECT_EQ(textOf(french, "6|1|1|1|"), "Ready (neutral)");
    EXPECT_EQ(textOf(french, "6|2|17|1|"), "Enregistrer ?");
    const auto blocks = std::count_if(target.resources.begin(), target.resources.end(), [](const Resource &r) {
        return r.type == ResId::of(6) && r.name == ResId::of(2) && r.language == kFrench;
    });
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(target.resources.size(), original.resources.size() + 4); // a French menu, dialog, string blocks 1 and 3

    // windres sees all of it.
    const auto dir = fs::temp_directory_path() / ("tamrix-languages-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    WriteBytes(dir / "fr.dll", bytesOf(written.bytes));
    std::string rc;
    ASSERT_EQ(RunCommand("'" WINDRES "' -i '" + (dir / "fr.dll").string() + "' -O rc", rc), 0) << rc;
    for (const char *language : {"LANGUAGE 0, 0", "LANGUAGE 1, 1", "LANGUAGE 3, 1", "LANGUAGE 9, 1", "LANGUAGE 12, 1"})
        EXPECT_NE(rc.find(language), std::string::npos) << language;
    EXPECT_NE(rc.find("Enregistrer ?"), std::string::npos);
    EXPECT_EQ(rc.find("ancienne traduction"), std::string::npos);
    fs::remove_all(dir);
}

TEST(VersionBlock, KeyAndTranslationNameTheTargetLanguage)
{
    const auto source = ReadImage("sample.dll");
    const ResourceFile original = ReadResourceFile(source);
    const auto tokens = ExtractTokens(original);
    const TokenTable project = projectOf(tokens, {{"]]=Demo resource library\r\n", "]]=Biblioth\xE8que de d\xE9mo\r\n"}});
    const LocalisedFile written = WriteLocalisedFile(source, project, kFrench);
    const ResourceFile target = ReadResourceFile(bytesOf(written.bytes));
    const Resource *french = nullptr;
    for (const Resource &r : target.resources) {
        if (r.type == ResId::of(16) && r.language == kFrench)
            french = &r;
    }
    ASSERT_NE(french, nullptr);
    std::string values;
    for (const ResourceToken &t : ResourceTokens(*french))
        values += t.item + " " + t.extra + "=" + t.text + "\n";
    EXPECT_EQ(values, "040c04b0 CompanyName=Velmora\n"
                      "040c04b0 FileDescription=Biblioth\xE8que de d\xE9mo\n"
                      "040c04b0 FileVersion=1.2.3.4\n"
                      "040c04b0 ProductName=Velmora Demo\n"
                      "040c04b0 ProductVersion=1.2\n");
    // The translation value, as windres reads it; the English copy is untouched.
    const auto dir = fs::temp_directory_path() / ("tamrix-version-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    WriteBytes(dir / "fr.dll", bytesOf(written.bytes));
    std::string rc;
    ASSERT_EQ(RunCommand("'" WINDRES "' -i '" + (dir / "fr.dll").string() + "' -O rc", rc), 0) << rc;
    fs::remove_all(dir);
    EXPECT_NE(rc.find("VALUE \"Translation\", 0x40c, 1200"), std::string::npos) << rc;
    EXPECT_NE(rc.find("VALUE \"Translation\", 0x409, 1200"), std::string::npos) << rc;
    EXPECT_NE(rc.find("BLOCK \"040c04b0\""), std::string::npos);
    EXPECT_NE(rc.find("BLOCK \"040904b0\""), std::string::npos);

    // Reading the French file back finds the texts under the French key.
    const auto back = ExtractTokens(target, {kFrench}, EmptyTexts::Keep);
    TokenTable untranslated = projectOf(tokens);
    const std::string imported = ImportTokens(untranslated, back, kFrench);
    EXPECT_NE(imported.find("[[16|VS_VERSION_INFO|040904b0|1|4|FileDescription]]=Biblioth\xE8que de d\xE9mo\r\n"),
              std::string::npos)
        << imported;
}

TEST(VersionBlock, TableKeyForALanguage)
{
    const struct
    {
        std::u16string key;
        std::uint16_t language;
        std::u16string expected;
    } cases[] = {
        {u"040904b0", kFrench, u"040c04b0"},
        {u"040904B0", kFrench, u"040C04B0"},
        {u"040904E4", MakeLangId(7, 1), u"040704E4"},
        {u"00000000", MakeLangId(0x19, 1), u"04190000"},
        {u"0409", kFrench, u"0409"},
        {u"StringFileInfo", kFrench, u"StringFileInfo"},
        {u"0409zzzz", kFrench, u"0409zzzz"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(VersionTableKeyFor(c.key, c.language) == c.expected);
}

// Texts that a resource item cannot hold, and malformed escapes, stop the
// writing with a message that names the token.
TEST(TokenTexts, RefusedWithTheTokenNamed)
{
    const auto source = ReadImage("sample.dll");
    const auto tokens = ExtractTokens(ReadResourceFile(source));
    auto messageOfAll = [&](const std::vector<std::pair<std::string, std::string>> &changes) -> std::string {
        try {
            WriteLocalisedFile(source, projectOf(tokens, changes), kFrench);
        } catch (const ResourceError &e) {
            return e.what();
        }
        return "written";
    };
    auto messageOf = [&](const std::string &from, const std::string &to) { return messageOfAll({{from, to}}); };
    const std::string longString = messageOf("[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]=" + std::string(70000, 'x'));
    EXPECT_NE(longString.find("[[6|1|1|1|4|]]"), std::string::npos) << longString;
    EXPECT_NE(longString.find("line 20"), std::string::npos) << longString;
    EXPECT_NE(longString.find("70000 characters"), std::string::npos) << longString;
    EXPECT_NE(longString.find("65535"), std::string::npos) << longString;
    // Exactly as long as an entry can be: written.
    EXPECT_EQ(messageOf("[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]=" + std::string(65535, 'x')), "written");

    const std::string longValue =
        messageOf("|1|CompanyName]]=Velmora", "|4|CompanyName]]=" + std::string(40000, 'v'));
    EXPECT_NE(longValue.find("CompanyName]]"), std::string::npos) << longValue;
    EXPECT_EQ(messageOf("|1|CompanyName]]=Velmora", "|4|CompanyName]]=" + std::string(20000, 'v')), "written");
    // Each value fits, not all of them together: the longest is named.
    const std::string together =
        messageOfAll({{"|1|CompanyName]]=Velmora", "|4|CompanyName]]=" + std::string(20000, 'v')},
                      {"|1|ProductName]]=Velmora Demo", "|4|ProductName]]=" + std::string(20001, 'p')}});
    EXPECT_NE(together.find("ProductName]]"), std::string::npos) << together;
    EXPECT_NE(together.find("together"), std::string::npos) << together;

    for (const std::string &bad : {std::string("\\q"), std::string("\\u12 "), std::string("x\\")}) {
        const std::string message = messageOf("[[4|1|0|0|1|]]=&File", "[[4|1|0|0|4|]]=&Fichier " + bad);
        EXPECT_NE(message.find("[[4|1|0|0|4|]]"), std::string::npos) << bad << ": " << message;
        EXPECT_NE(message.find("line 4"), std::string::npos) << message;
    }
    // Well-formed escapes of every kind go through.
    EXPECT_EQ(messageOf("[[4|1|0|0|1|]]=&File", "[[4|1|0|0|4|]]=\\\\ \\t \\r \\n \\u00e9 \\u20AC"), "written");
}

TEST(TokenTexts, VeryLongMenuAndDialogTextsGoThroughWhole)
{
    const auto source = ReadImage("sample.dll");
    const auto tokens = ExtractTokens(ReadResourceFile(source));
    const std::string menu(70000, 'm');
    const std::string caption(70000, 'c');
    const TokenTable project =
        projectOf(tokens, {{"[[4|1|0|0|1|]]=&File", "[[4|1|0|0|4|]]=" + menu},
                           {"[[5|100|0|0|1|]]=About Demo", "[[5|100|0|0|4|]]=" + caption}});
    const auto back = ExtractTokens(ReadResourceFile(bytesOf(WriteLocalisedFile(source, project, kFrench).bytes)),
                                    {kFrench});
    EXPECT_EQ(textOf(back, "4|1|0|0|"), menu);
    EXPECT_EQ(textOf(back, "5|100|0|0|"), caption);
}

TEST(TokenTexts, EmptyTranslationsAreWrittenButNeverImportedOverAText)
{
    const auto source = ReadImage("sample.dll");
    const auto tokens = ExtractTokens(ReadResourceFile(source));
    const std::vector<std::pair<std::string, std::string>> emptied = {
        {"[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]="},
        {"[[4|1|102|2|1|]]=&Save", "[[4|1|102|2|4|]]="},
        {"[[5|100|1|1|1|]]=OK", "[[5|100|1|1|4|]]="},
        {"[[5|100|0|0|1|]]=About Demo", "[[5|100|0|0|4|]]="},
        {"|1|CompanyName]]=Velmora", "|4|CompanyName]]="},
    };
    const TokenTable translated = projectOf(tokens, emptied);
    const LocalisedFile written = WriteLocalisedFile(source, translated, kFrench);
    const auto back = ExtractTokens(ReadResourceFile(bytesOf(written.bytes)), {kFrench}, EmptyTexts::Keep);
    // An empty text read back is no translation: the untranslated file keeps its texts.
    EXPECT_EQ(ImportTokens(projectOf(tokens), back, kFrench), MasterTokenFile(tokens));
    // From the translated file, nothing changes.
    std::string translatedBytes = MasterTokenFile(tokens);
    for (const auto &[from, to] : emptied)
        translatedBytes.replace(translatedBytes.find(from), from.size(), to);
    EXPECT_EQ(ImportTokens(translated, back, kFrench), translatedBytes);
    // Items that never had a text give no token in the master.
    EXPECT_EQ(ExtractTokens(ReadResourceFile(source)).size(), tokens.size());
}

TEST(Escapes, MalformedOnesAreFound)
{
    for (const char *good : {"", "plain", "\\\\q", "\\t\\r\\n", "\\u00E9\\uabcd", "a\\\\"})
        EXPECT_EQ(MalformedEscape(good), "") << good;
    const struct
    {
        const char *text;
        const char *names;
    } bad[] = {{"\\q", "\\q"}, {"ab\\u12 x", "\\u12 x"}, {"x\\", "backslash ends"}, {"\\u00G0", "\\u00G0"},
               {"\\uABC", "\\uABC"}, {"\\x41", "\\x"}};
    for (const auto &b : bad) {
        const std::string message = MalformedEscape(b.text);
        EXPECT_NE(message.find(b.names), std::string::npos) << b.text << ": " << message;
    }
}

} // namespace
