#include "mastercodepage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

Resource resource(std::uint16_t type, std::uint16_t name, std::uint16_t language)
{
    Resource r;
    r.type = ResId::of(type);
    r.name = ResId::of(name);
    r.language = language;
    return r;
}

ResourceFile fileOf(std::initializer_list<Resource> resources)
{
    ResourceFile file;
    file.resources = resources;
    return file;
}

TEST(SourceCodePage, RecordedLanguageWins)
{
    SourceLanguage russian;
    russian.state = SourceLanguage::State::Chosen;
    russian.primary = 25;
    russian.sub = 1;
    EXPECT_EQ(SourceCodePage(fileOf({resource(RT_MENU_TYPE, 1, 0x0409)}), russian), 1251u);
}

TEST(SourceCodePage, TheCopyTheFirstResourceGivesItsTokensFrom)
{
    const SourceLanguage none;
    // Icons and other resources do not count; English is taken before Japanese.
    EXPECT_EQ(SourceCodePage(fileOf({resource(3, 1, 0x0401), resource(RT_MENU_TYPE, 1, 0x0411),
                                     resource(RT_MENU_TYPE, 1, 0x0409)}),
                             none),
              1252u);
    // Only Japanese and Arabic: the first copy.
    EXPECT_EQ(SourceCodePage(fileOf({resource(RT_DIALOG_TYPE, 7, 0x0411), resource(RT_DIALOG_TYPE, 7, 0x0401)}), none),
              932u);
    // Russian under the neutral sub-language alone.
    EXPECT_EQ(SourceCodePage(fileOf({resource(RT_STRING_TYPE, 1, 0x0019)}), none), 1251u);
    EXPECT_EQ(SourceCodePage(fileOf({resource(3, 1, 0x0411)}), none), 1252u);
}

TEST(SourceCodePage, MasterProjectLineThree)
{
    const auto dir = std::filesystem::temp_directory_path() / ("tamrix-source-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string mpj = (dir / "demo.mpj").string();
    auto write = [&](const char *text) { std::ofstream(mpj, std::ios::binary) << text; };
    write("demo.dll\r\ndemo.tok\r\nLANGUAGE 17 1\r\n");
    EXPECT_EQ(MasterTokenCodePage(mpj), 932u);
    write("demo.dll\r\ndemo.tok\r\nLANGUAGE 4 1\r\n");
    EXPECT_EQ(MasterTokenCodePage(mpj), 950u);
    // No language recorded, and no source file to read.
    write("demo.dll\r\ndemo.tok\r\n\r\n");
    EXPECT_EQ(MasterTokenCodePage(mpj), 1252u);
    write("demo.dll\r\ndemo.tok\r\n");
    EXPECT_EQ(MasterTokenCodePage(mpj), 1252u);
    EXPECT_EQ(MasterTokenCodePage((dir / "missing.mpj").string()), 1252u);
    std::filesystem::remove_all(dir);
}

} // namespace
