#include "layoutres.h"
#include "sourceresources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

class SourceResourcesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("tamrix-source-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string write(const std::string &name, const std::string &bytes)
    {
        const auto path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path m_dir;
};

TEST_F(SourceResourcesTest, DialogsMenusStringsAndVersionsByTheirTokenName)
{
    const auto bytes = LayoutResBytes();
    const std::string path = write("layout.res", std::string(bytes.begin(), bytes.end()));
    const SourceResources source = SourceResources::Read(path);
    ASSERT_TRUE(source.ok()) << source.problem();
    EXPECT_EQ(source.kind(), ResourceFileKind::ResFile);
    EXPECT_EQ(source.dialogCount(), 3u);
    EXPECT_EQ(source.menuCount(), 2u);
    ASSERT_NE(source.dialog("200"), nullptr);
    EXPECT_EQ(source.dialog("200")->caption, u"Kinds");
    ASSERT_NE(source.dialog("OPTIONS"), nullptr);
    EXPECT_EQ(source.dialog("options"), nullptr);
    EXPECT_EQ(source.dialog("999"), nullptr);
    ASSERT_NE(source.menu("2"), nullptr);
    EXPECT_TRUE(source.menu("2")->extended);
    EXPECT_TRUE(source.hasStringBlock("1"));
    EXPECT_FALSE(source.hasStringBlock("2"));
    EXPECT_FALSE(source.hasVersion("1"));
    EXPECT_TRUE(source.problem().empty());
}

TEST_F(SourceResourcesTest, FilesThatGiveNothingSayWhy)
{
    const SourceResources missing = SourceResources::Read((m_dir / "none.dll").string());
    EXPECT_EQ(missing.state(), SourceResources::State::Missing);
    EXPECT_EQ(missing.problem(), "the source file is missing");

    const SourceResources folder = SourceResources::Read(m_dir.string());
    EXPECT_EQ(folder.state(), SourceResources::State::Unreadable);

    const SourceResources text = SourceResources::Read(write("notes.txt", "just some text, long enough to be looked at"));
    EXPECT_EQ(text.state(), SourceResources::State::NotResources);
    EXPECT_NE(text.problem().find("neither a PE image nor a .res file"), std::string::npos) << text.problem();

    const SourceResources cut = SourceResources::Read(write("cut.dll", "MZ\x90"));
    EXPECT_EQ(cut.state(), SourceResources::State::NotResources);
    EXPECT_NE(cut.problem().find("truncated"), std::string::npos) << cut.problem();
    EXPECT_EQ(cut.dialog("200"), nullptr);
}

// One malformed dialog leaves the others readable and says what is wrong with it.
TEST_F(SourceResourcesTest, AMalformedDialogIsNamed)
{
    Resource good;
    good.type = ResId::of(RT_DIALOG_TYPE);
    good.name = ResId::of(5);
    const ResourceFile file = ReadResourceFile(LayoutResBytes());
    good.data = FindResource(file, RT_DIALOG_TYPE, ResId::of(220)).data;
    Resource bad = good;
    bad.name = ResId::of(6);
    bad.data.resize(20);
    // A .res holding both, written by hand.
    std::vector<std::uint8_t> res(32, 0);
    res[4] = 0x20;
    res[8] = res[9] = 0xFF;
    res[12] = res[13] = 0xFF;
    for (const Resource *r : {&good, &bad}) {
        auto u32 = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                res.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        };
        u32(static_cast<std::uint32_t>(r->data.size()));
        u32(32);
        u32(0x0005FFFF);
        u32(0xFFFFu | (std::uint32_t(r->name.number) << 16));
        u32(0);
        u32(0x04091030);
        u32(0);
        u32(0);
        res.insert(res.end(), r->data.begin(), r->data.end());
        while (res.size() % 4)
            res.push_back(0);
    }
    const SourceResources source = SourceResources::FromBytes(res);
    ASSERT_TRUE(source.ok()) << source.problem();
    EXPECT_NE(source.dialog("5"), nullptr);
    EXPECT_EQ(source.dialog("6"), nullptr);
    EXPECT_NE(source.resourceProblem(RT_DIALOG_TYPE, "6").find("dialog 6: truncated data"), std::string::npos)
        << source.resourceProblem(RT_DIALOG_TYPE, "6");
    EXPECT_TRUE(source.resourceProblem(RT_DIALOG_TYPE, "5").empty());
}

} // namespace
