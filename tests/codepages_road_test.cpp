// Every language end to end: a program whose resources hold Russian, Greek,
// Japanese and Arabic texts goes through rlman -m, -l and -t, is edited through
// the editor's store as the editor does it, is exported with -r and read back
// with -t; each token file is in the code page of its language, and windres
// reads the translated texts out of the localised DLL.
#include "codepage.h"
#include "store/projectopen.h"
#include "store/tokenfile.h"
#include "tokenio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The UTF-16 texts of windres' decompiled resources: L"..." with \xHHHH escapes.
std::u16string decompiledTexts(const std::string &rc)
{
    std::u16string out;
    for (std::size_t i = 0; i + 1 < rc.size(); ++i) {
        if (rc[i] != 'L' || rc[i + 1] != '"')
            continue;
        for (i += 2; i < rc.size() && rc[i] != '"'; ++i) {
            if (rc[i] == '\\' && i + 1 < rc.size() && rc[i + 1] == 'x') {
                out += static_cast<char16_t>(std::stoul(rc.substr(i + 2, 4), nullptr, 16));
                i += 5;
            } else if (rc[i] == '\\' && i + 1 < rc.size()) {
                out += static_cast<char16_t>(rc[++i]);
            } else {
                out += static_cast<char16_t>(static_cast<unsigned char>(rc[i]));
            }
        }
        out += u'\n';
    }
    return out;
}

struct Language
{
    const char *name;
    unsigned primary;
    unsigned sub;
    unsigned codePage;
    const char *heldUnder;    // the sub-language the program holds it under, when another
    std::string importedFile; // the "&File" popup as -t brings it, in the code page
    std::string importedSoftware;
    std::u16string typed; // what the translator types for "Display"
    std::string typedBytes;
};

void PrintTo(const Language &language, std::ostream *os)
{
    *os << language.name;
}

class EveryLanguage : public testing::TestWithParam<Language>
{
protected:
    void SetUp() override
    {
        m_saved = fs::current_path();
        m_dir = fs::temp_directory_path() / ("tamrix-languages-" + std::to_string(::getpid()) + "-" + GetParam().name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        fs::copy_file(SCRIPTS_DLL, m_dir / "scripts.dll");
        fs::current_path(m_dir);
    }
    void TearDown() override
    {
        fs::current_path(m_saved);
        fs::remove_all(m_dir);
    }

    int run(const std::string &program, const std::string &arguments)
    {
        const std::string command = program + " " + arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        m_out = readFile("out.txt");
        m_err = readFile("err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int rlman(const std::string &arguments) { return run(RLMAN, arguments); }

    fs::path m_saved;
    fs::path m_dir;
    std::string m_out;
    std::string m_err;
};

TEST_P(EveryLanguage, ExtractTranslateExportImport)
{
    const Language &l = GetParam();
    const std::string ids = std::to_string(l.primary) + " " + std::to_string(l.sub);
    writeFile("demo.mpj", "scripts.dll\r\nscripts.tok\r\nLANGUAGE 9 1\r\n");
    writeFile("xx.prj", "demo.mpj\r\nxx.tok\r\n\r\n\r\n\r\nLANGUAGE " + ids + "\r\nxx.dll\r\n");

    // The master tokens, in English and Windows-1252.
    ASSERT_EQ(rlman("-m demo.mpj"), 0) << m_err;
    const std::string master = readFile("scripts.tok");
    EXPECT_NE(master.find("[[4|1|0|0|1|]]=&File\r\n"), std::string::npos) << master;
    ASSERT_EQ(rlman("-n " + ids + " -l xx.prj demo.mpj xx.tok"), 0) << m_err;
    EXPECT_NE(readFile("xx.tok").find("[[6|1|3|3|1|]]=Display\r\n"), std::string::npos);

    // The program's own translations come in, in the language's code page, found
    // under the neutral sub-language where the program holds them there.
    ASSERT_EQ(rlman("-o " + ids + " -t scripts.dll xx.tok"), 0) << m_err;
    const std::string neutral = "took " + std::to_string(l.primary) + " 0 (its neutral sub-language)";
    if (l.heldUnder) {
        EXPECT_NE(m_err.find("language " + ids + " not found for 2 resources; " + neutral), std::string::npos) << m_err;
    } else {
        EXPECT_EQ(m_err.find(neutral), std::string::npos) << m_err;
    }
    // The dialog is in English only: its copy is the master's.
    EXPECT_NE(m_err.find("language " + ids + " not found for 1 resource; took 9 1"), std::string::npos) << m_err;
    std::string tokens = readFile("xx.tok");
    EXPECT_NE(tokens.find("[[4|1|0|0|4|]]=" + l.importedFile + "\r\n"), std::string::npos) << tokens;
    EXPECT_NE(tokens.find("[[4|1|102|2|4|]]=" + l.importedSoftware + "\r\n"), std::string::npos) << tokens;
    // One escape only: the character no code page holds, never the language's letters.
    EXPECT_EQ(tokens.find("\\u"), tokens.find(" \\u2318\r\n") + 1) << tokens;
    EXPECT_EQ(tokens.find("\\u", tokens.find("\\u") + 1), std::string::npos) << tokens;

    // The translator's edit, as the editor stores it: the typed text in the
    // project's code page, status 4, saved with its backup.
    {
        ProjectData data = ReadProject("xx.prj");
        ASSERT_EQ(data.error, ProjectOpenError::None);
        EXPECT_EQ(data.projectCodePage, l.codePage);
        EXPECT_EQ(data.masterCodePage, 1252u);
        const CodePage &cp = CodePage::get(data.projectCodePage);
        std::size_t display = 0;
        for (std::size_t row = 1; row <= data.project.tokenCount(); ++row) {
            if (data.project.cell(row, ColType) == "6" && data.project.cell(row, ColId3) == "3")
                display = row;
        }
        ASSERT_NE(display, 0u);
        EXPECT_EQ(MasterToken(data.master, data.project, display), "Display");
        // What the window shows of the imported texts reads as the language.
        EXPECT_EQ(cp.decode(data.project.cell(1, ColText)).find(u'\\'), std::u16string::npos);
        const auto bytes = cp.encode(l.typed);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(*bytes, l.typedBytes);
        // A character the code page cannot hold is refused, never stored as '?'.
        EXPECT_FALSE(cp.encode(l.typed + u"\u0100\u4E02").has_value());
        data.project.setCell(display, ColText, *bytes);
        data.project.setCell(display, ColStatus, "4");
        ASSERT_TRUE(SaveProjectTokens(data.paths.tokenFile, data.project).ok());
    }
    tokens = readFile("xx.tok");
    EXPECT_NE(tokens.find("[[6|1|3|3|4|]]=" + l.typedBytes + "\r\n"), std::string::npos);

    // The localised DLL holds the translations under the project's language.
    ASSERT_EQ(rlman("-n " + ids + " -r scripts.dll xx.tok xx.dll"), 0) << m_err;
    ASSERT_EQ(run(WINDRES, "-i xx.dll -O rc"), 0) << m_err;
    const std::u16string texts = decompiledTexts(m_out);
    EXPECT_NE(m_out.find("LANGUAGE " + std::to_string(l.primary) + ", " + std::to_string(l.sub)), std::string::npos);
    EXPECT_NE(texts.find(l.typed + u'\n'), std::u16string::npos);
    const CodePage &cp = CodePage::get(l.codePage);
    EXPECT_NE(texts.find(cp.decode(l.importedSoftware) + u'\n'), std::u16string::npos);

    // And back: -t finds every text as it is, so the token file keeps its bytes.
    const std::string before = readFile("xx.tok");
    ASSERT_EQ(rlman("-o " + ids + " -t xx.dll xx.tok"), 0) << m_err;
    EXPECT_EQ(m_err.find(neutral), std::string::npos) << m_err;
    EXPECT_TRUE(readFile("xx.tok") == before);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, EveryLanguage,
    testing::Values(Language{"Russian", 25, 1, 1251, "0", "&\xD4\xE0\xE9\xEB", "&\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB",
                             u"\u041F\u0440\u043E\u0441\u043C\u043E\u0442\u0440", "\xCF\xF0\xEE\xF1\xEC\xEE\xF2\xF0"},
                    Language{"Greek", 8, 1, 1253, nullptr, "&\xC1\xF1\xF7\xE5\xDF\xEF",
                             "&\xCB\xEF\xE3\xE9\xF3\xEC\xE9\xEA\xFC",
                             u"\u0395\u03BC\u03C6\u03AC\u03BD\u03B9\u03C3\u03B7", "\xC5\xEC\xF6\xDC\xED\xE9\xF3\xE7"},
                    // ソ and 表 end in 0x5C: written as they are, never doubled.
                    Language{"Japanese", 17, 1, 932, "0", "\x83\x74\x83\x40\x83\x43\x83\x8B(&F)",
                             "\x83\x5C\x83\x74\x83\x67(&S)", u"\u30BD\u30D5\u30C8\u8868\u793A",
                             "\x83\x5C\x83\x74\x83\x67\x95\x5C\x8E\xA6"},
                    Language{"Arabic", 1, 1, 1256, nullptr, "&\xE3\xE1\xDD", "&\xC8\xD1\xC7\xE3\xCC",
                             u"\u0645\u0639\u0627\u064A\u0646\u0629", "\xE3\xDA\xC7\xED\xE4\xC9"}),
    [](const testing::TestParamInfo<Language> &info) { return std::string(info.param.name); });

} // namespace
