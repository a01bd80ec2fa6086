#include "charset.h"

#include <gtest/gtest.h>

namespace {

const Charset &cp = Charset::windows1252();

TEST(Windows1252, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const auto text = cp.decode(all);
    ASSERT_EQ(text.size(), 256u);
    const auto back = cp.encode(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Windows1252, KnownCharacters)
{
    EXPECT_EQ(cp.decodeByte(0x80), u'\u20AC');
    EXPECT_EQ(cp.decodeByte(0xE9), u'\u00E9');
    EXPECT_EQ(cp.decodeByte(0x9C), u'\u0153');
    EXPECT_EQ(cp.decodeByte(0x81), u'\u0081'); // undefined in the code page, kept as its C1 control
    EXPECT_EQ(cp.encode(u"\u00C9t\u00E9 \u20AC"), std::string("\xC9t\xE9 \x80"));
}

TEST(Windows1252, TellsWhatCannotBeStored)
{
    EXPECT_TRUE(cp.canEncode(u"Fen\u00EAtre"));
    EXPECT_FALSE(cp.canEncode(u"\u0416"));      // Cyrillic
    EXPECT_FALSE(cp.canEncode(u"a\u4E2Db"));    // CJK
    EXPECT_FALSE(cp.encode(u"\u2603").has_value());
    EXPECT_FALSE(cp.canEncode(u"\U0001F600")); // a surrogate pair
}

TEST(Windows1252, UpperCaseIncludesAccentedLetters)
{
    EXPECT_EQ(cp.toUpper("fr.tok"), "FR.TOK");
    EXPECT_EQ(cp.toUpper("\xE9t\xE9.tok"), "\xC9T\xC9.TOK");       // été
    EXPECT_EQ(cp.toUpper("\x9C\x9A\x9E\xFF"), "\x8C\x8A\x8E\x9F"); // œ š ž ÿ
    EXPECT_EQ(cp.toUpper("\xDF\xB5\xF7"), "\xDF\xB5\xF7");         // ß µ ÷ have no upper case here
    EXPECT_EQ(cp.toUpper("1-2_\\/"), "1-2_\\/");
}

} // namespace
