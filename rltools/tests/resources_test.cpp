#include "reswriter.h"
#include "restokens.h"
#include "testimages.h"
#include "tokenio.h"
#include "tokenmerge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

std::string describe(const std::vector<ResourceToken> &tokens)
{
    std::string out;
    for (const ResourceToken &t : tokens)
        out += t.key() + (t.readOnly ? " RO " : " ") + t.text + "\n";
    return out;
}

const char *const kSampleTokens = "4|MAINMENU|200|0| &View\n"
                                  "4|MAINMENU|201|1| &Zoom\n"
                                  "4|MAINMENU|202|3| Caf\xE9\n"
                                  "4|1|0|0| &File\n"
                                  "4|1|101|1| &Open...\\tCtrl+O\n"
                                  "4|1|102|2| &Save\n"
                                  "4|1|0|4| &Recent\n"
                                  "4|1|110|5| (none)\n"
                                  "4|1|103|6| E&xit\n"
                                  "4|1|0|7| &Help\n"
                                  "4|1|104|8| &About && credits...\n"
                                  "5|SETTINGS|0|0| R\xE9glages\n"
                                  "5|SETTINGS|-1|1| &Nom :\n"
                                  "5|SETTINGS|2|3| Annuler\n"
                                  "5|100|0|0| About Demo\n"
                                  "5|100|1|1| OK\n"
                                  "5|100|-1|2| Demo library, version\n"
                                  "5|100|1002|3| RO 1.0\n"
                                  "5|100|1003|5| R\xE9sum\xE9\n"
                                  "6|1|1|1| Ready\n"
                                  "6|1|2|2| File not found.\n"
                                  "6|1|3|3| Tab\\there\n"
                                  "6|1|15|15| Line one\\nline two\n"
                                  "6|2|16|0| Next block\n"
                                  "6|3|40|8| Gap after a block\n"
                                  "6|3|42|10| Ann\xE9" "e : \xE9t\xE9 \x97 50 \x80\n"
                                  "6|3|43|11| RO 100%\n"
                                  "16|VS_VERSION_INFO|040904b0|0|CompanyName Velmora\n"
                                  "16|VS_VERSION_INFO|040904b0|1|FileDescription Demo resource library\n"
                                  "16|VS_VERSION_INFO|040904b0|2|FileVersion RO 1.2.3.4\n"
                                  "16|VS_VERSION_INFO|040904b0|3|ProductName Velmora Demo\n"
                                  "16|VS_VERSION_INFO|040904b0|4|ProductVersion RO 1.2\n";

TEST(ExtractTokens, SampleDll)
{
    const ResourceFile file = ReadResourceFile(ReadImage("sample.dll"));
    EXPECT_EQ(file.kind, ResourceFileKind::PeImage);
    EXPECT_EQ(describe(ExtractTokens(file)), kSampleTokens);
}

TEST(ExtractTokens, ResFileAnd32BitImageGiveTheSameTokens)
{
    const ResourceFile res = ReadResourceFile(ReadImage("sample.res"));
    EXPECT_EQ(res.kind, ResourceFileKind::ResFile);
    EXPECT_EQ(describe(ExtractTokens(res)), kSampleTokens);
    const auto image32 = ReadImage("sample32.dll");
    if (image32.empty())
        GTEST_SKIP() << "no 32-bit image was built";
    EXPECT_EQ(describe(ExtractTokens(ReadResourceFile(image32))), kSampleTokens);
}

// windres decodes the image on its own; compiled again, its text must give the same tokens.
TEST(ExtractTokens, AgreesWithWindres)
{
    const auto dir = std::filesystem::temp_directory_path() / ("tamrix-windres-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string rc = (dir / "back.rc").string();
    const std::string res = (dir / "back.res").string();
    const std::string decompile = std::string(WINDRES) + " -i " + TEST_IMAGES + "/sample.dll -O rc -o " + rc;
    ASSERT_EQ(std::system(decompile.c_str()), 0);
    std::ifstream text(rc);
    const std::string rcText((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
    for (const char *literal : {"\"&About && credits...\"", "\"&Open...\\tCtrl+O\"", "\"Line one\\nline two\"",
                                "L\"R\\351glages\"", "\"Demo library, version\""})
        EXPECT_NE(rcText.find(literal), std::string::npos) << literal;
    const std::string compile = std::string(WINDRES) + " -i " + rc + " -O res -o " + res;
    ASSERT_EQ(std::system(compile.c_str()), 0);
    std::ifstream in(res, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(describe(ExtractTokens(ReadResourceFile(bytes))), kSampleTokens);
    std::filesystem::remove_all(dir);
}

TEST(Escapes, RoundTrip)
{
    const std::u16string text = u"a\\b\tc\r\nd \u00E9\u20AC\u0416\U0001F600|=][";
    const std::string escaped = EscapeText(text);
    EXPECT_EQ(escaped, "a\\\\b\\tc\\r\\nd \xE9\x80\\u0416\\uD83D\\uDE00|=][");
    EXPECT_EQ(UnescapeText(escaped), text);
    EXPECT_EQ(EscapeField(u"a|b=c]d[e"), "a\\u007Cb\\u003Dc\\u005Dd\\u005Be");
    EXPECT_EQ(UnescapeText(EscapeField(u"a|b=c]d[e")), u"a|b=c]d[e");
    // Unknown escapes and a lone backslash stay as they are.
    EXPECT_EQ(UnescapeText("\\q \\u12 x\\"), u"\\q \\u12 x\\");
}

TEST(ReadOnly, TextsWithoutLetters)
{
    EXPECT_TRUE(IsReadOnlyText(u"1.0"));
    EXPECT_TRUE(IsReadOnlyText(u"100% - ..."));
    EXPECT_FALSE(IsReadOnlyText(u"\u00E9"));
    EXPECT_FALSE(IsReadOnlyText(u"&OK"));
}

void patch32(std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t read32(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// File offset of the resource directory in the sample image.
std::size_t resourceRoot(const std::vector<std::uint8_t> &image)
{
    const std::uint32_t pe = read32(image, 0x3C);
    const std::size_t optional = pe + 24;
    const std::uint32_t rva = read32(image, optional + 112 + 16);
    const std::size_t sections = optional + (image[pe + 20] | (image[pe + 21] << 8));
    for (int i = 0;; ++i) {
        const std::size_t at = sections + 40 * i;
        const std::uint32_t va = read32(image, at + 12);
        if (rva >= va && rva < va + read32(image, at + 8))
            return read32(image, at + 20) + (rva - va);
    }
}

TEST(Malformed, TruncatedImagesNeverCrash)
{
    const auto image = ReadImage("sample.dll");
    int failures = 0;
    for (std::size_t size = 0; size < image.size(); size += 37) {
        std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
        try {
            ExtractTokens(ReadResourceFile(cut));
        } catch (const ResourceError &) {
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(Malformed, ClearMessages)
{
    const auto image = ReadImage("sample.dll");
    auto messageOf = [](const std::vector<std::uint8_t> &bytes) -> std::string {
        try {
            ExtractTokens(ReadResourceFile(bytes));
        } catch (const ResourceError &e) {
            return e.what();
        }
        return "no error";
    };
    std::vector<std::uint8_t> bad = image;
    patch32(bad, 0x3C, 0x7FFFFFF0);
    EXPECT_NE(messageOf(bad).find("outside"), std::string::npos) << messageOf(bad);

    // The first type's subdirectory pointing back at the root: a loop.
    bad = image;
    const std::size_t root = resourceRoot(bad);
    patch32(bad, root + 16 + 4, 0x80000000u);
    EXPECT_NE(messageOf(bad).find("loops"), std::string::npos) << messageOf(bad);

    // A language entry that is a directory again: too deep.
    bad = image;
    const std::uint32_t typeDir = read32(bad, root + 20) & 0x7fffffffu;
    const std::uint32_t nameDir = read32(bad, root + typeDir + 20) & 0x7fffffffu;
    patch32(bad, root + nameDir + 20, 0x80000000u | typeDir);
    EXPECT_NE(messageOf(bad).find("deep"), std::string::npos) << messageOf(bad);

    // A data entry whose size runs past the file.
    bad = image;
    const std::uint32_t entry = read32(bad, root + nameDir + 20);
    patch32(bad, root + entry + 4, 0x7FFFFFFF);
    EXPECT_NE(messageOf(bad), "no error");

    // A .res entry whose size lies.
    auto res = ReadImage("sample.res");
    patch32(res, 32, 0x10000000);
    EXPECT_NE(messageOf(res).find("resource file"), std::string::npos) << messageOf(res);

    EXPECT_NE(messageOf({'n', 'o', 'p', 'e'}).find("neither"), std::string::npos);
}

TokenTable projectWith(const std::vector<ResourceToken> &tokens,
                       const std::vector<std::pair<std::string, std::string>> &changes)
{
    std::string bytes = MasterTokenFile(tokens);
    for (const auto &[from, to] : changes) {
        const auto at = bytes.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            bytes.replace(at, from.size(), to);
    }
    TokenTable table;
    LoadTokens(bytes, table);
    return table;
}

class Rewrite : public testing::TestWithParam<const char *>
{
};

TEST_P(Rewrite, TargetGivesBackTheProjectTexts)
{
    const auto source = ReadImage(GetParam());
    if (source.empty())
        GTEST_SKIP() << GetParam() << " was not built";
    const auto tokens = ExtractTokens(ReadResourceFile(source));
    const TokenTable project = projectWith(
        tokens, {{"=&File\r\n", "=&Fichier\r\n"},
                 {"=About Demo\r\n", "=\xC0 propos de la d\xE9mo, un titre bien plus long que l'original\r\n"},
                 {"=Tab\\there\r\n", "=Tabulation\\tici \\u0416\r\n"},
                 {"=Velmora Demo\r\n", "=Velmora D\xE9mo\r\n"},
                 {"=&Zoom\r\n", "=&Agrandir\r\n"}});
    const std::string written = WriteLocalisedFile(source, project, MakeLangId(12, 1)).bytes;
    const ResourceFile target = ReadResourceFile(std::vector<std::uint8_t>(written.begin(), written.end()));
    const auto back = ExtractTokens(target, {MakeLangId(12, 1)});
    ASSERT_EQ(back.size(), project.tokenCount());
    for (std::size_t i = 0; i < back.size(); ++i)
        EXPECT_EQ(back[i].text, project.cell(i + 1, ColText)) << back[i].key();
    // Every resource of the source is still there, language and bytes; each
    // menu, dialog, string table and version block has a French copy beside it.
    const ResourceFile original = ReadResourceFile(source);
    std::size_t localisable = 0;
    for (const Resource &r : original.resources) {
        const auto kept = std::find_if(target.resources.begin(), target.resources.end(), [&](const Resource &t) {
            return t.type == r.type && t.name == r.name && t.language == r.language;
        });
        ASSERT_NE(kept, target.resources.end());
        EXPECT_EQ(kept->data, r.data);
        EXPECT_EQ(r.language, MakeLangId(9, 1));
        const auto french = std::find_if(target.resources.begin(), target.resources.end(), [&](const Resource &t) {
            return t.type == r.type && t.name == r.name && t.language == MakeLangId(12, 1);
        });
        EXPECT_EQ(french != target.resources.end(), IsLocalisable(r)) << ResIdField(r.type) << " " << ResIdField(r.name);
        localisable += IsLocalisable(r);
    }
    EXPECT_EQ(target.resources.size(), original.resources.size() + localisable);
}

INSTANTIATE_TEST_SUITE_P(Images, Rewrite, testing::Values("sample.dll", "sample.res", "sample32.dll"));

TEST(Rewrite, UnchangedTextsGiveTheSameResources)
{
    const auto source = ReadImage("sample.res");
    const auto tokens = ExtractTokens(ReadResourceFile(source));
    const TokenTable project = projectWith(tokens, {});
    const std::string written = WriteLocalisedFile(source, project, MakeLangId(9, 1)).bytes;
    const ResourceFile a = ReadResourceFile(source);
    const ResourceFile b = ReadResourceFile(std::vector<std::uint8_t>(written.begin(), written.end()));
    ASSERT_EQ(a.resources.size(), b.resources.size());
    for (std::size_t i = 0; i < a.resources.size(); ++i)
        EXPECT_EQ(a.resources[i].data, b.resources[i].data) << i;
}

} // namespace
