#include "find/replaceplan.h"
#include "find/searchform.h"
#include "find/textcodec.h"
#include "tokenio.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePageCodec, OffsetsOfDoubleByteCharacters)
{
    // 932: "表" is 0x95 0x5C (its trail byte is a backslash), "ソ" 0x83 0x5C, then
    // "A", an undefined pair (0x85 0x40 stands for itself byte by byte) and a
    // lead byte at the end.
    const std::string bytes = "\x95\x5C\x83\x5C" "A\x85\x40\x81";
    std::u16string text;
    std::vector<std::uint32_t> offsets;
    CodePageCodec::get(932).decode(bytes, text, &offsets);
    ASSERT_EQ(text.size(), 6u);
    EXPECT_EQ(text.substr(0, 3), u"\u8868\u30BDA");
    EXPECT_EQ(offsets, (std::vector<std::uint32_t>{0, 2, 4, 5, 6, 7, 8}));
    const auto back = CodePageCodec::get(932).encode(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, bytes);
}

TEST(CodePageCodec, ReplaceKeepsTheBytesAroundInADoubleByteText)
{
    // Project text in 932: "ファイル\" with an undefined pair around, replaced
    // "ファイル" with "書類": the bytes outside the occurrence stay as read.
    const std::string text = "\x85\x40\x83\x74\x83\x40\x83\x43\x83\x8B\x5C";
    TokenTable project;
    ASSERT_EQ(LoadTokens("[[6|1|1|0|1|]]=" + text + "\r\n", project), TokenLoadStatus::Ok);
    const ReplacePlan plan = PlanReplace(project, {1}, CodePageCodec::get(932),
                                         ReplaceOptions{u"\u30D5\u30A1\u30A4\u30EB", u"\u66F8\u985E", false, false});
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.changes[0].after, "\x85\x40\x8F\x91\x97\xDE\x5C");
}

TEST(CodePageCodec, FindReadsTheLanguagesCodePage)
{
    // 1251: "Файл" as bytes 0xD4 0xE0 0xE9 0xEB; found by "ФАЙЛ" typed.
    std::u16string text;
    CodePageCodec::get(1251).decode("&\xD4\xE0\xE9\xEB", text);
    EXPECT_NE(SearchForm(text).find(NeedleForm(u"\u0424\u0410\u0419\u041B")), std::string::npos);
}

} // namespace
