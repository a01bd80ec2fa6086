#include "restokens.h"
#include "testimages.h"

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

} // namespace
