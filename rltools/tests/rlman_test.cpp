#include "peinfo.h"
#include "restokens.h"
#include "testimages.h"
#include "tokenmerge.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class Rlman : public testing::Test
{
protected:
    fs::path dir;

    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tamrix-rlman-" + std::to_string(std::rand()) + std::to_string(::getpid()));
        fs::create_directories(dir);
        fs::copy_file(fs::path(TEST_IMAGES) / "sample.dll", dir / "sample.dll");
        write("demo.mpj", "sample.dll\r\ndemo.tok\r\n");
        write("fr.prj", "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string &name, const std::string &text)
    {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string read(const std::string &name) const
    {
        std::ifstream in(dir / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool exists(const std::string &name) const { return fs::exists(dir / name); }
    // Runs rlman in the test folder; returns its exit status.
    int run(const std::string &arguments) const
    {
        const std::string command =
            "cd '" + dir.string() + "' && '" + RLMAN + "' " + arguments + " > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // A new version of sample.dll, from its .rc source with each change made:
    // NAME.res, and the master project pointed at it.
    void newVersion(const std::string &name, const std::vector<std::pair<std::string, std::string>> &changes)
    {
        std::string rc = ReadText(fs::path(TEST_DATA) / "sample.rc");
        for (const auto &[from, to] : changes) {
            const auto at = rc.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            rc.replace(at, from.size(), to);
        }
        write(name + ".rc", rc);
        std::string output;
        ASSERT_EQ(CompileResources(dir / (name + ".rc"), dir / (name + ".res"), output), 0) << output;
        write("demo.mpj", name + ".res\r\ndemo.tok\r\n");
    }
    void replace(const std::string &name, const std::string &from, const std::string &to)
    {
        std::string text = read(name);
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        write(name, text);
    }
};

TEST_F(Rlman, TheWholeLoop)
{
    ASSERT_EQ(run("-m demo.mpj"), 0) << read("err.txt");
    const std::string master = read("demo.tok");
    EXPECT_EQ(master.substr(0, master.find('\n') + 1), "[[4|MAINMENU|200|0|1|]]=&View\r\n");
    EXPECT_NE(master.find("[[5|100|1002|3|3|]]=1.0\r\n"), std::string::npos);

    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("fr.tok"), master); // every token new: master text, status 1 or 3
    EXPECT_EQ(read("fr.tok.master"), master);

    replace("fr.tok", "[[4|1|0|0|1|]]=&File", "[[4|1|0|0|4|]]=&Fichier");
    replace("fr.tok", "[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]=Pr\xEAt");
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0) << read("err.txt");
    const std::string decompile = std::string(WINDRES) + " -i '" + (dir / "fr.dll").string() + "' -O rc -o '" +
                                  (dir / "fr.rc").string() + "'";
    ASSERT_EQ(std::system(decompile.c_str()), 0);
    const std::string rc = read("fr.rc");
    EXPECT_NE(rc.find("LANGUAGE 12, 1"), std::string::npos);
    EXPECT_NE(rc.find("POPUP \"&Fichier\""), std::string::npos);
    EXPECT_NE(rc.find("1, L\"Pr\\352t\""), std::string::npos);
#ifdef OBJDUMP
    const std::string objdump = std::string(OBJDUMP) + " -p '" + (dir / "fr.dll").string() + "' > '" +
                                (dir / "objdump.txt").string() + "' 2>&1";
    EXPECT_EQ(std::system(objdump.c_str()), 0);
    const std::string report = read("objdump.txt");
    EXPECT_EQ(report.find("warning"), std::string::npos) << report;
    EXPECT_NE(report.find("Resource Directory"), std::string::npos);
#endif

    // Reading the target back: a text changed in the DLL becomes translated.
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0);
    replace("fr.tok", "[[6|1|2|2|1|]]=File not found.", "[[6|1|2|2|1|]]=Fichier introuvable.");
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0);
    replace("fr.tok", "[[6|1|2|2|1|]]=Fichier introuvable.", "[[6|1|2|2|1|]]=File not found.");
    ASSERT_EQ(run("-o 12 1 -t fr.dll fr.tok"), 0) << read("err.txt");
    EXPECT_NE(read("fr.tok").find("[[6|1|2|2|4|]]=Fichier introuvable.\r\n"), std::string::npos);
    EXPECT_NE(read("fr.tok").find("[[4|1|0|0|4|]]=&Fichier\r\n"), std::string::npos);

    // The master text changes: the translation stays, marked non-translated.
    replace("demo.tok", "[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|1|]]=Ready now");
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    EXPECT_NE(read("fr.tok").find("[[6|1|1|1|1|]]=Pr\xEAt\r\n"), std::string::npos);
    EXPECT_NE(read("fr.tok").find("[[4|1|0|0|4|]]=&Fichier\r\n"), std::string::npos);
}

TEST_F(Rlman, FailuresChangeNothing)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("-x demo.mpj"), 2);
    EXPECT_EQ(run("-n x 1 -l fr.prj demo.mpj fr.tok"), 2);
    EXPECT_EQ(run("-m missing.mpj"), 1);
    EXPECT_NE(read("err.txt").find("missing.mpj"), std::string::npos);

    write("broken.dll", "MZ broken");
    write("broken.mpj", "broken.dll\r\nbroken.tok\r\n");
    EXPECT_EQ(run("-m broken.mpj"), 1);
    EXPECT_NE(read("err.txt").find("broken.dll"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "broken.tok"));

    write("fr.tok", "keep me\r\n");
    EXPECT_EQ(run("-n 12 1 -r broken.dll fr.tok fr.dll"), 1);
    EXPECT_FALSE(fs::exists(dir / "fr.dll"));
    EXPECT_EQ(run("-o 12 1 -t broken.dll fr.tok"), 1);
    EXPECT_EQ(read("fr.tok"), "keep me\r\n");
    int leftovers = 0;
    for (const auto &entry : fs::directory_iterator(dir))
        leftovers += entry.path().filename().string().find(".~") != std::string::npos;
    EXPECT_EQ(leftovers, 0);
}

TEST_F(Rlman, SourceLanguageRecordedInTheMasterProject)
{
    fs::copy_file(fs::path(TEST_IMAGES) / "languages.dll", dir / "languages.dll");
    write("demo.mpj", "languages.dll\r\ndemo.tok\r\n");
    ASSERT_EQ(run("-m demo.mpj"), 0) << read("err.txt");
    EXPECT_NE(read("demo.tok").find("[[4|1|0|0|1|]]=&File\r\n"), std::string::npos) << "English, by default";

    // Catalan chosen on line 3: -m, then -r and -t, which find the master
    // project through the language project that names the token file.
    write("demo.mpj", "languages.dll\r\ndemo.tok\r\nLANGUAGE 3 1\r\n");
    ASSERT_EQ(run("-m demo.mpj"), 0) << read("err.txt");
    EXPECT_NE(read("demo.tok").find("[[4|1|0|0|1|]]=&Fitxer\r\n"), std::string::npos) << read("demo.tok");
    EXPECT_NE(read("demo.tok").find("[[5|100|0|0|1|]]=Quant a\r\n"), std::string::npos);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0) << read("err.txt");
    replace("fr.tok", "[[4|1|101|1|1|]]=&Obre", "[[4|1|101|1|4|]]=&Ouvrir");
    ASSERT_EQ(run("-n 12 1 -r languages.dll fr.tok fr.dll"), 0) << read("err.txt");
    const auto target = ReadResourceFile(ReadBytes(dir / "fr.dll"));
    const auto french = ExtractTokens(target, {MakeLangId(12, 1)});
    auto textOf = [&](const std::string &key) {
        for (const ResourceToken &t : french)
            if (t.key() == key)
                return t.text;
        return std::string("<none>");
    };
    EXPECT_EQ(textOf("4|1|0|0|"), "&Fitxer");
    EXPECT_EQ(textOf("4|1|101|1|"), "&Ouvrir");
    EXPECT_EQ(textOf("5|100|0|0|"), "Quant a");
    // -t: a text changed in the target comes back.
    write("fr.tok", read("fr.tok.master"));
    ASSERT_EQ(run("-o 12 1 -t fr.dll fr.tok"), 0) << read("err.txt");
    EXPECT_NE(read("fr.tok").find("[[4|1|101|1|4|]]=&Ouvrir\r\n"), std::string::npos) << read("fr.tok");
    EXPECT_NE(read("fr.tok").find("[[4|1|0|0|1|]]=&Fitxer\r\n"), std::string::npos) << read("fr.tok");

    // Without the language project beside it, -r finds the master project that
    // names the source file.
    fs::remove(dir / "fr.prj");
    replace("fr.tok", "[[4|1|0|0|1|]]=&Fitxer", "[[4|1|0|0|4|]]=&Fichier");
    ASSERT_EQ(run("-n 12 1 -r languages.dll fr.tok fr.dll"), 0) << read("err.txt");
    const auto again = ExtractTokens(ReadResourceFile(ReadBytes(dir / "fr.dll")), {MakeLangId(12, 1)});
    EXPECT_EQ(MasterTokenFile(again).find("]]=\\u062D"), std::string::npos) << "the Arabic dialog was taken";
    EXPECT_NE(MasterTokenFile(again).find("[[5|100|0|0|1|]]=Quant a\r\n"), std::string::npos);
    EXPECT_NE(MasterTokenFile(again).find("[[4|1|0|0|1|]]=&Fichier\r\n"), std::string::npos);

    // A line 3 that says LANGUAGE but no language: refused, nothing written.
    write("demo.mpj", "languages.dll\r\ndemo.tok\r\nLANGUAGE catalan\r\n");
    const std::string before = read("demo.tok");
    EXPECT_EQ(run("-m demo.mpj"), 1);
    EXPECT_NE(read("err.txt").find("line 3"), std::string::npos) << read("err.txt");
    EXPECT_EQ(read("demo.tok"), before);
    // Any other line 3 records nothing.
    write("demo.mpj", "languages.dll\r\ndemo.tok\r\nnotes\r\n");
    ASSERT_EQ(run("-m demo.mpj"), 0) << read("err.txt");
    EXPECT_NE(read("demo.tok").find("[[4|1|0|0|1|]]=&File\r\n"), std::string::npos);
}

TEST_F(Rlman, GrowthAndDroppedSignatureAreReported)
{
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    replace("fr.tok", "[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]=" + std::string(5000, 'r'));
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0) << read("err.txt");
    const auto growth = static_cast<long long>(fs::file_size(dir / "fr.dll")) - static_cast<long long>(fs::file_size(dir / "sample.dll"));
    EXPECT_GT(growth, 5000);
    EXPECT_EQ(read("out.txt"), "rlman: fr.dll written, " + std::to_string(fs::file_size(dir / "fr.dll")) +
                                   " bytes (+" + std::to_string(growth) + " bytes from sample.dll)\n");
    EXPECT_EQ(read("err.txt"), "");

    // A signed source: the signature goes, and standard error says so.
    auto image = ReadBytes(dir / "sample.dll");
    const PeInfo info(image);
    image.resize((image.size() + 7) / 8 * 8, 0);
    const auto at = static_cast<std::uint32_t>(image.size());
    image.resize(at + 16, 0x5A);
    for (int i = 0; i < 4; ++i) {
        image[info.directories + 32 + i] = static_cast<std::uint8_t>(at >> (8 * i));
        image[info.directories + 36 + i] = static_cast<std::uint8_t>(16 >> (8 * i));
    }
    WriteBytes(dir / "signed.dll", image);
    ASSERT_EQ(run("-n 12 1 -r signed.dll fr.tok signed-fr.dll"), 0) << read("err.txt");
    EXPECT_NE(read("err.txt").find("signed-fr.dll: the certificate table"), std::string::npos) << read("err.txt");
}

TEST_F(Rlman, TruncatedFilesAndFilesWithoutTextSaySo)
{
    const auto image = ReadBytes(dir / "sample.dll");
    const PeInfo info(image);
    const PeSection *resources = info.find(".rsrc");
    ASSERT_NE(resources, nullptr);
    for (const std::size_t size : {std::size_t(resources->rawPointer + 100), std::size_t(resources->rawPointer),
                                   std::size_t(300), std::size_t(0x50)}) {
        SCOPED_TRACE(size);
        WriteBytes(dir / "cut.dll", std::vector<std::uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size)));
        write("cut.mpj", "cut.dll\r\ncut.tok\r\n");
        EXPECT_EQ(run("-m cut.mpj"), 1);
        const std::string message = read("err.txt");
        EXPECT_NE(message.find("cut.dll"), std::string::npos) << message;
        EXPECT_NE(message.find("truncated"), std::string::npos) << message;
        EXPECT_NE(message.find("it has " + std::to_string(size) + " bytes"), std::string::npos) << message;
        EXPECT_FALSE(fs::exists(dir / "cut.tok"));
    }

    for (const char *name : {"nores.dll"}) {
        fs::copy_file(fs::path(TEST_IMAGES) / name, dir / name);
        write("none.mpj", std::string(name) + "\r\nnone.tok\r\n");
        EXPECT_EQ(run("-m none.mpj"), 0);
        EXPECT_TRUE(fs::exists(dir / "none.tok"));
        EXPECT_EQ(read("none.tok"), "");
        EXPECT_NE(read("err.txt").find("no text to translate"), std::string::npos) << read("err.txt");
        // Its localised file is the file as it is, and valid.
        write("none-fr.tok", "");
        EXPECT_EQ(run(std::string("-n 12 1 -r ") + name + " none-fr.tok none-fr.dll"), 0) << read("err.txt");
        EXPECT_TRUE(ReadBytes(dir / "none-fr.dll") == ReadBytes(dir / name));
    }
}

TEST_F(Rlman, RefusedTranslationsWriteNothing)
{
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0);
    const std::string good = read("fr.dll");
    const std::string tokens = read("fr.tok");
    for (const std::string &text : {std::string(70000, 'x'), std::string("Pr\\q\u00EAt"), std::string("\\u12 ")}) {
        write("fr.tok", tokens);
        replace("fr.tok", "[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]=" + text);
        EXPECT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 1);
        EXPECT_NE(read("err.txt").find("[[6|1|1|1|4|]]"), std::string::npos) << read("err.txt");
        EXPECT_EQ(read("fr.dll"), good);
    }
}

// A new version moves, drops and brings back items: the totals say where each
// translation went, TOKENFILE.bak holds the file as it was, and TOKENFILE.obsolete
// the translation of the item gone, until the item comes back.
TEST_F(Rlman, RefreshAcrossVersions)
{
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("out.txt"), "rlman: fr.tok: 0 kept, 0 moved, 32 new, 0 obsolete\n");
    EXPECT_FALSE(exists("fr.tok.bak"));
    replace("fr.tok", "[[4|1|101|1|1|]]=&Open...", "[[4|1|101|1|4|]]=&Ouvrir...");
    replace("fr.tok", "[[4|1|103|6|1|]]=E&xit", "[[4|1|103|6|4|]]=&Quitter");
    replace("fr.tok", "[[4|1|0|7|1|]]=&Help", "[[4|1|0|7|4|]]=&Aide");
    replace("fr.tok", "[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]=Pr\xEAt");
    const std::string translated = read("fr.tok");

    // Nothing new: nothing written, not even a backup.
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    EXPECT_EQ(read("out.txt"), "rlman: fr.tok: 32 kept, 0 moved, 0 new, 0 obsolete\n");
    EXPECT_FALSE(exists("fr.tok.bak"));

    newVersion("v2", {{"        MENUITEM \"&Open...", "        MENUITEM \"&New\", 100\n        MENUITEM \"&Open..."},
                      {"        MENUITEM \"E&xit\", IDM_EXIT\n", ""},
                      {"    43 \"100%\"", "    43 \"100%\"\n    44 \"Brand new\""}});
    ASSERT_EQ(run("-m demo.mpj"), 0) << read("err.txt");
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("out.txt"), "rlman: fr.tok: 27 kept, 4 moved, 2 new, 1 obsolete (fr.tok.obsolete)\n");
    EXPECT_EQ(read("fr.tok.bak"), translated);
    EXPECT_EQ(read("fr.tok.obsolete"), ";E&xit\r\n[[4|1|103|6|4|]]=&Quitter\r\n");
    const std::string v2 = read("fr.tok");
    for (const char *line : {"[[4|1|100|1|1|]]=&New\r\n", "[[4|1|101|2|4|]]=&Ouvrir...\\tCtrl+O\r\n", "[[4|1|0|7|4|]]=&Aide\r\n",
                             "[[6|1|1|1|4|]]=Pr\xEAt\r\n", "[[6|3|44|12|1|]]=Brand new\r\n"})
        EXPECT_NE(v2.find(line), std::string::npos) << line << v2;
    EXPECT_EQ(v2.find("Quitter"), std::string::npos);

    // Back to the first version: the translation comes back from TOKENFILE.obsolete.
    write("demo.mpj", "sample.dll\r\ndemo.tok\r\n");
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("out.txt"), "rlman: fr.tok: 27 kept, 4 moved, 1 recovered, 0 new, 0 obsolete\n");
    EXPECT_EQ(read("fr.tok"), translated);
    EXPECT_EQ(read("fr.tok.bak"), v2);
}

// A master without any token would drop every translation: refused.
TEST_F(Rlman, RefreshFromAnEmptyMasterIsRefused)
{
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    fs::copy_file(fs::path(TEST_IMAGES) / "nores.dll", dir / "nores.dll");
    write("demo.mpj", "nores.dll\r\ndemo.tok\r\n");
    ASSERT_EQ(run("-m demo.mpj"), 0);
    EXPECT_EQ(read("demo.tok"), "");
    // Without a translation there is nothing to lose.
    const std::string untranslated = read("fr.tok");
    EXPECT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    EXPECT_EQ(read("fr.tok"), "");
    write("fr.tok", untranslated);
    replace("fr.tok", "[[6|1|1|1|1|]]=Ready", "[[6|1|1|1|4|]]=Pr\xEAt");
    const std::string translated = read("fr.tok");
    write("fr.tok.master", untranslated);
    fs::remove(dir / "fr.tok.bak");
    EXPECT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 1);
    EXPECT_NE(read("err.txt").find("demo.tok holds no token"), std::string::npos) << read("err.txt");
    EXPECT_NE(read("err.txt").find("fr.tok holds 1 translation "), std::string::npos) << read("err.txt");
    EXPECT_EQ(read("out.txt"), "");
    EXPECT_EQ(read("fr.tok"), translated);
    EXPECT_EQ(read("fr.tok.master"), untranslated);
    EXPECT_FALSE(exists("fr.tok.bak"));
    EXPECT_FALSE(exists("fr.tok.obsolete"));
}

// An old target, exported before a refresh added string 44 to its block: the
// empty slot is no translation. Nor is the source's own text, where the
// target holds the resources in the source language only.
TEST_F(Rlman, ImportTakesOnlyRealTranslations)
{
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    replace("fr.tok", "[[6|3|40|8|1|]]=Gap after a block", "[[6|3|40|8|4|]]=Apr\xE8s un bloc");
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0) << read("err.txt");
    newVersion("v2", {{"    43 \"100%\"", "    43 \"100%\"\n    44 \"Brand new\""}});
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    const std::string refreshed = read("fr.tok");
    ASSERT_NE(refreshed.find("[[6|3|44|12|1|]]=Brand new\r\n"), std::string::npos);
    fs::remove(dir / "fr.tok.bak");

    ASSERT_EQ(run("-o 12 1 -t fr.dll fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("fr.tok"), refreshed);
    EXPECT_FALSE(exists("fr.tok.bak"));
    ASSERT_EQ(run("-o 12 1 -t sample.dll fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("fr.tok"), refreshed);
    EXPECT_NE(read("err.txt").find("took 9 1 (no copy in that language: the one the master tokens come from; only its "
                                   "texts that differ from fr.tok.master are taken)"),
              std::string::npos)
        << read("err.txt");
    fs::rename(dir / "fr.tok.master", dir / "history");
    ASSERT_EQ(run("-o 12 1 -t sample.dll fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("fr.tok"), refreshed);
    EXPECT_NE(read("err.txt").find("without fr.tok.master, none of its texts is taken"), std::string::npos)
        << read("err.txt");
    fs::rename(dir / "history", dir / "fr.tok.master");

    // A text changed in the target's own language comes in, with a backup.
    replace("fr.tok", "[[6|3|40|8|4|]]=Apr\xE8s un bloc", "[[6|3|40|8|4|]]=Gap after a block");
    const std::string before = read("fr.tok");
    ASSERT_EQ(run("-o 12 1 -t fr.dll fr.tok"), 0) << read("err.txt");
    EXPECT_EQ(read("fr.tok"), refreshed);
    EXPECT_EQ(read("fr.tok.bak"), before);
}

// A token file with a line that is not a token was not written by our tools:
// -l, -t and -r refuse it and name the line, and change nothing.
TEST_F(Rlman, FilesThatAreNotTokenFilesAreRefused)
{
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0);
    const std::string good = read("fr.tok");
    const std::string target = read("fr.dll");
    const std::string firstLine = good.substr(0, good.find('\n') + 1);
    const struct
    {
        const char *name;
        std::string tokens;
        int line; // the line named, 0 for a file that is taken
    } files[] = {
        {"a note among the tokens", firstLine + "translated by Anne\r\n" + good.substr(firstLine.size()), 2},
        {"not a token file at all", "keep me\r\n" + good, 1},
        {"a line that stops the reading", firstLine + "x|y|z\r\n", 2},
        {"an empty line before the last", firstLine + "\r\n" + firstLine, 2},
        {"an empty last line", good + "\r\n", 0},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        for (const std::string &call : {std::string("-n 12 1 -l fr.prj demo.mpj fr.tok"),
                                        std::string("-o 12 1 -t fr.dll fr.tok"),
                                        std::string("-n 12 1 -r sample.dll fr.tok fr.dll")}) {
            SCOPED_TRACE(call);
            write("fr.tok", f.tokens);
            fs::remove(dir / "fr.tok.bak");
            fs::remove(dir / "fr.dll");
            write("fr.dll", target);
            if (f.line == 0) {
                EXPECT_EQ(run(call), 0) << read("err.txt");
                continue;
            }
            EXPECT_EQ(run(call), 1);
            EXPECT_NE(read("err.txt").find("fr.tok is not a token file: line " + std::to_string(f.line) + " "),
                      std::string::npos)
                << read("err.txt");
            EXPECT_EQ(read("fr.tok"), f.tokens);
            EXPECT_EQ(read("fr.dll"), target);
            EXPECT_FALSE(exists("fr.tok.bak"));
        }
    }
}

// An existing target that is neither a PE image nor a .res is left as it is:
// a project line naming a notes file (or a shell profile) cannot replace it.
TEST_F(Rlman, ReplacesOnlyProgramsAndResourceFiles)
{
    ASSERT_EQ(run("-m demo.mpj"), 0);
    ASSERT_EQ(run("-n 12 1 -l fr.prj demo.mpj fr.tok"), 0);
    fs::create_directories(dir / "sub");
    write("notes.txt", "my notes\n");
    write("sub/empty.dll", "");
    for (const char *target : {"notes.txt", "sub/empty.dll", "sub"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(run(std::string("-n 12 1 -r sample.dll fr.tok ") + target), 1);
        EXPECT_NE(read("err.txt").find(std::string("the target ") + target), std::string::npos) << read("err.txt");
        EXPECT_EQ(read("out.txt"), "");
    }
    EXPECT_EQ(read("notes.txt"), "my notes\n");
    EXPECT_EQ(read("sub/empty.dll"), "");
    int leftovers = 0;
    for (const auto &entry : fs::recursive_directory_iterator(dir))
        leftovers += entry.path().filename().string().find(".~") != std::string::npos;
    EXPECT_EQ(leftovers, 0);

    // A program or a .res is replaced; outside the current folder, with a warning.
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0) << read("err.txt");
    EXPECT_EQ(read("err.txt"), "");
    ASSERT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.dll"), 0) << read("err.txt");
    fs::copy_file(fs::path(TEST_IMAGES) / "sample.res", dir / "fr.res");
    EXPECT_EQ(run("-n 12 1 -r sample.dll fr.tok fr.res"), 0) << read("err.txt");
    EXPECT_EQ(ResourceFileKindOf(ReadBytes(dir / "fr.res")), ResourceFileKind::PeImage);
    const std::string outside = "sub/../../" + dir.filename().string() + "-outside.dll";
    EXPECT_EQ(run("-n 12 1 -r sample.dll fr.tok " + outside), 0) << read("err.txt");
    EXPECT_EQ(read("err.txt"), "rlman: warning: the target " + outside +
                                   " lies outside the current folder (the master project's)\n");
    EXPECT_TRUE(fs::remove(dir.parent_path() / (dir.filename().string() + "-outside.dll")));
}

} // namespace
