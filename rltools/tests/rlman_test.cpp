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
    // Runs rlman in the test folder; returns its exit status.
    int run(const std::string &arguments) const
    {
        const std::string command =
            "cd '" + dir.string() + "' && '" + RLMAN + "' " + arguments + " > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
