#include "codepage.h"

#include "charset.h"
#include "conversionlibrary.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string bytesOf(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

class EveryCodePage : public testing::TestWithParam<unsigned>
{
protected:
    const CodePage &cp() const { return CodePage::get(GetParam()); }
};

TEST_P(EveryCodePage, HasItsConverterAndItsNumber)
{
    EXPECT_TRUE(cp().isComplete());
    EXPECT_EQ(cp().number(), GetParam());
    const bool doubleByte = GetParam() == 932 || GetParam() == 936 || GetParam() == 949 || GetParam() == 950;
    EXPECT_EQ(cp().isDoubleByte(), doubleByte);
}

TEST_P(EveryCodePage, AsciiIsItself)
{
    for (int b = 0; b < 0x80; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(cp().decode(one), std::u16string(1, static_cast<char16_t>(b))) << b;
        EXPECT_EQ(cp().encode(std::u16string(1, static_cast<char16_t>(b))), one) << b;
        EXPECT_FALSE(cp().isLeadByte(static_cast<unsigned char>(b)));
    }
}

// Every byte that is not a lead byte is one character and comes back as itself,
// defined or not.
TEST_P(EveryCodePage, EverySingleByteRoundTrips)
{
    for (int b = 0; b < 0x100; ++b) {
        if (cp().isLeadByte(static_cast<unsigned char>(b)))
            continue;
        const std::string one(1, static_cast<char>(b));
        const std::u16string text = cp().decode(one);
        ASSERT_EQ(text.size(), 1u) << b;
        EXPECT_EQ(cp().encode(text), one) << b;
    }
}

// Every pair of bytes comes back as itself, but for the pairs that give the same
// character as another pair (932's NEC and IBM extensions): those come back as
// the pair Windows writes for the character, which decodes to the same character.
TEST_P(EveryCodePage, EveryBytePairRoundTrips)
{
    std::size_t defined = 0;
    std::size_t duplicates = 0;
    for (int lead = 0; lead < 0x100; ++lead) {
        for (int trail = 0; trail < 0x100; ++trail) {
            const std::string pair = bytesOf({lead, trail});
            const std::u16string text = cp().decode(pair);
            const auto back = cp().encode(text);
            ASSERT_TRUE(back.has_value()) << lead << " " << trail;
            if (cp().isLeadByte(static_cast<unsigned char>(lead)) && text.size() == 1 && !CodePage::isStandIn(text[0]))
                ++defined;
            if (*back == pair)
                continue;
            ++duplicates;
            ASSERT_EQ(text.size(), 1u) << lead << " " << trail;
            EXPECT_EQ(cp().decode(*back), text) << lead << " " << trail;
        }
    }
    if (cp().isDoubleByte()) {
        EXPECT_GT(defined, 7000u);
    } else {
        EXPECT_EQ(defined, 0u);
    }
    // 932: the NEC and IBM extensions; 950: the box drawing pairs F9F9 to F9FE.
    if (GetParam() != 932 && GetParam() != 950) {
        EXPECT_EQ(duplicates, 0u);
    }
}

// A longer text of every defined pair in a row, and of every byte value after a
// lead byte, keeps its bytes.
TEST_P(EveryCodePage, TextsOfAllBytesRoundTrip)
{
    std::string all;
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int trail = 0x20; trail < 0x100; ++trail) {
            all += static_cast<char>(lead);
            all += static_cast<char>(trail);
        }
    }
    const std::u16string text = cp().decode(all);
    const auto back = cp().encode(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(cp().decode(*back) == text);
    if (GetParam() != 932 && GetParam() != 950) {
        EXPECT_TRUE(*back == all) << "first difference at byte "
                                  << std::mismatch(all.begin(), all.end(), back->begin(), back->end()).first -
                                         all.begin();
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, EveryCodePage, testing::ValuesIn(CodePage::numbers()),
                         [](const testing::TestParamInfo<unsigned> &info) {
                             return "cp" + std::to_string(info.param);
                         });

struct KnownCharacter
{
    unsigned codePage;
    std::string bytes;
    char16_t character;
};

// Characters of the Windows code page charts, one or more per code page.
TEST(CodePage, KnownCharacters)
{
    const KnownCharacter known[] = {
        {874, "\xA1", u'\u0E01'},     // ko kai
        {874, "\x80", u'\u20AC'},     // euro
        {932, "\x82\xA0", u'\u3042'}, // hiragana a
        {932, "\x5C", u'\\'},         // a backslash, not a yen sign
        {932, "\x81\x5F", u'\uFF3C'}, // fullwidth reverse solidus
        {932, "\x81\x60", u'\uFF5E'}, // fullwidth tilde
        {932, "\xA6", u'\uFF66'},     // halfwidth katakana wo
        {932, "\x80", u'\u0080'},     {936, "\xB0\xA1", u'\u554A'}, {936, "\xA1\xAA", u'\u2014'},
        {936, "\x80", u'\u20AC'},     {949, "\xB0\xA1", u'\uAC00'}, // hangul ga
        {949, "\x81\x41", u'\uAC02'},                               // a unified hangul code extension
        {949, "\x80", u'\u0080'},     {950, "\xA4\x40", u'\u4E00'}, {950, "\xA1\x45", u'\u2027'},
        {1250, "\x8A", u'\u0160'},    {1250, "\x81", u'\u0081'},    {1251, "\xC0", u'\u0410'},
        {1251, "\xFF", u'\u044F'},    {1251, "\x88", u'\u20AC'},    {1251, "\x98", u'\u0098'},
        {1252, "\xE9", u'\u00E9'},    {1253, "\xC1", u'\u0391'},    {1254, "\xDD", u'\u0130'},
        {1254, "\xFD", u'\u0131'},    {1255, "\xE0", u'\u05D0'},    {1256, "\xC7", u'\u0627'},
        {1256, "\x81", u'\u067E'},    {1257, "\xC0", u'\u0104'},    {1258, "\xD2", u'\u0309'},
        {1258, "\xFE", u'\u20AB'},
    };
    for (const KnownCharacter &k : known) {
        const CodePage &cp = CodePage::get(k.codePage);
        EXPECT_EQ(cp.decode(k.bytes), std::u16string(1, k.character)) << k.codePage;
        EXPECT_EQ(cp.encode(std::u16string(1, k.character)), k.bytes) << k.codePage;
    }
}

TEST(CodePage, DuplicatesAreWrittenAsWindowsWritesThem)
{
    const CodePage &cp = CodePage::get(932);
    EXPECT_EQ(cp.encode(u"\u2252"), std::string("\x81\xE0")); // also NEC 0x8790
    EXPECT_EQ(cp.encode(u"\u2160"), std::string("\x87\x54")); // also IBM 0xFA4A
    EXPECT_EQ(cp.encode(u"\u2170"), std::string("\xFA\x40")); // also NEC-selected IBM 0xEEEF
    EXPECT_EQ(cp.encode(u"\uFFE2"), std::string("\x81\xCA"));
    // The other pair still reads as the character.
    EXPECT_EQ(cp.decode("\x87\x90"), u"\u2252");
    EXPECT_EQ(cp.decode("\xEE\xEF"), u"\u2170");
}

TEST(CodePage, BoxDrawingDuplicatesOf950ReadAlike)
{
    const CodePage &cp = CodePage::get(950);
    EXPECT_EQ(cp.decode("\xF9\xF9"), u"\u2550");
    EXPECT_EQ(cp.decode("\xA2\xA4"), u"\u2550");
    EXPECT_EQ(cp.decode(*cp.encode(u"\u2550")), u"\u2550");
}

TEST(CodePage, UndefinedBytesStandForThemselves)
{
    const CodePage &greek = CodePage::get(1253);
    EXPECT_EQ(greek.decode("\xAA"), std::u16string(1, CodePage::standIn(0xAA)));
    EXPECT_EQ(greek.encode(greek.decode("a\xAA\xD2\xFF")), std::string("a\xAA\xD2\xFF"));
    // A stand-in of a byte the code page defines is not a character of it.
    EXPECT_FALSE(greek.canEncode(std::u16string(1, CodePage::standIn(0xC1))));

    const CodePage &japanese = CodePage::get(932);
    // A lead byte before a byte that cannot end a pair stands alone.
    EXPECT_EQ(japanese.decode("\x81 x"), (std::u16string{CodePage::standIn(0x81), u' ', u'x'}));
    // A lead byte at the end of the text.
    EXPECT_EQ(japanese.decode("ab\x82"), (std::u16string{u'a', u'b', CodePage::standIn(0x82)}));
    // 0xA0 and 0xFD to 0xFF are no characters in the platform's table.
    EXPECT_EQ(japanese.encode(japanese.decode("\xA0\xFD\xFE\xFF")), std::string("\xA0\xFD\xFE\xFF"));

    const CodePage &chinese = CodePage::get(936);
    // A pair of the user-defined area: both bytes stand for themselves, and the
    // next pair is read from the right byte.
    const std::u16string eudc = chinese.decode("\xAA\xA1\xB0\xA1");
    EXPECT_EQ(eudc, (std::u16string{CodePage::standIn(0xAA), CodePage::standIn(0xA1), u'\u554A'}));
    EXPECT_EQ(chinese.encode(eudc), std::string("\xAA\xA1\xB0\xA1"));
}

TEST(CodePage, VietnameseAndHebrewMarksStayApart)
{
    const CodePage &vietnamese = CodePage::get(1258);
    // A letter and a combining mark are two characters, as in the file.
    EXPECT_EQ(vietnamese.decode("a\xEC"), u"a\u0301");
    EXPECT_EQ(vietnamese.encode(u"a\u0301"), std::string("a\xEC"));
    // A precomposed letter the code page lacks is written as letter and mark.
    EXPECT_EQ(vietnamese.encode(u"\u1EBF"), std::string("\xEA\xEC"));
    EXPECT_EQ(vietnamese.encode(u"\u00E1"), std::string("\xE1"));

    const CodePage &hebrew = CodePage::get(1255);
    EXPECT_EQ(hebrew.decode("\xE0\xC8"), u"\u05D0\u05B8");
    EXPECT_EQ(hebrew.encode(u"\uFB2F"), std::string("\xE0\xC8"));
}

TEST(CodePage, NamesWhatItCannotHold)
{
    const CodePage &cyrillic = CodePage::get(1251);
    EXPECT_TRUE(cyrillic.canEncode(u"\u0424\u0430\u0439\u043B \u20AC"));
    EXPECT_FALSE(cyrillic.canEncode(u"caf\u00E9"));
    EXPECT_EQ(cyrillic.unencodable(u"a\u00E9b\u00FC\u00E9\u0416"), u"\u00E9\u00FC");
    EXPECT_EQ(cyrillic.unencodable(u"x\U0001F600y\U0001F600"), u"\U0001F600");
    EXPECT_EQ(CodePage::get(932).unencodable(u"\u3042\u00E9\u301C"), u"\u00E9\u301C"); // no best fit
    EXPECT_EQ(CodePage::get(1252).unencodable(u"\u0416"), u"\u0416");
}

TEST(CodePage, UpperCaseOnCharacters)
{
    EXPECT_EQ(CodePage::get(1252).toUpper("\xE9t\xE9.tok"), "\xC9T\xC9.TOK");               // été
    EXPECT_EQ(CodePage::get(1251).toUpper("\xF4\xE0\xE9\xEB.tok"), "\xD4\xC0\xC9\xCB.TOK"); // файл
    EXPECT_EQ(CodePage::get(1253).toUpper("\xE1\xF2"), "\xC1\xD3");                         // ας
    EXPECT_EQ(CodePage::get(1254).toUpper("i\xFD"), "II");          // i and ı (no Turkish rule)
    EXPECT_EQ(CodePage::get(1250).toUpper("\xB9\x9A"), "\xA5\x8A"); // ą š
    // Trail bytes that look like small letters stay: ッ is 0x83 0x62, ｂ 0x82 0x82.
    EXPECT_EQ(CodePage::get(932).toUpper("\x83\x62"
                                         "b\x82\x82"),
              "\x83\x62"
              "B\x82\x61");
    // Bytes without a character keep their place.
    EXPECT_EQ(CodePage::get(936).toUpper("\xAA\xA1"
                                         "a\x81"),
              "\xAA\xA1"
              "A\x81");
    // Windows-1252 upper-cases exactly as its own codec does.
    const Charset &reference = Charset::windows1252();
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(CodePage::get(1252).toUpper(one), reference.toUpper(one)) << b;
    }
}

TEST(CodePage, FileNamesAreCutOnCharacters)
{
    const CodePage &japanese = CodePage::get(932);
    // ソフト.tok: its first trail byte is a backslash.
    EXPECT_EQ(japanese.fileNameOf("C:\\Work\\\x83\x5C\x83\x74\x83\x67.tok"), "\x83\x5C\x83\x74\x83\x67.tok");
    EXPECT_EQ(japanese.fileNameOf("\x83\x5C.dll"), "\x83\x5C.dll");
    EXPECT_EQ(japanese.fileNameOf("a/b\\c:d"), "d");
    EXPECT_EQ(japanese.fileNameOf("dir\\"), "");
    // In a single-byte code page every 0x5C is a backslash, as before.
    EXPECT_EQ(CodePage::get(1252).fileNameOf("..\\bin\\French.dll"), "French.dll");
    EXPECT_EQ(CodePage::get(1251).fileNameOf("x\\\xF4.tok"), "\xF4.tok");
}

TEST(CodePage, UnknownNumbersGive1252)
{
    EXPECT_EQ(CodePage::get(0).number(), 1252u);
    EXPECT_EQ(CodePage::get(65001).number(), 1252u);
    EXPECT_EQ(CodePage::get(437).number(), 1252u);
    EXPECT_FALSE(CodePage::isKnown(65001));
    EXPECT_TRUE(CodePage::isKnown(874));
    EXPECT_EQ(CodePage::numbers().size(), 14u);
}

// Windows-1252 is the token files' own codec; the platform's converter, with
// the rule that undefined bytes 0x80 to 0x9F are their C1 controls, gives exactly
// the same table, which is what the other single-byte code pages are built by.
TEST(CodePage, Windows1252MatchesTheReferenceCodec)
{
    const Charset &reference = Charset::windows1252();
    const CodePage &cp = CodePage::windows1252();
    auto library = ConversionLibrary::open(1252);
    ASSERT_NE(library, nullptr);
    std::u16string out;
    for (int b = 0; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        const char16_t expected = reference.decodeByte(static_cast<unsigned char>(b));
        EXPECT_EQ(cp.decode(one), std::u16string(1, expected)) << b;
        const auto result = library->decode(one, out);
        if (result == ConversionLibrary::Result::Character) {
            EXPECT_EQ(out, std::u16string(1, expected)) << b;
        } else {
            EXPECT_TRUE(b >= 0x80 && b < 0xA0) << b;
            EXPECT_EQ(expected, static_cast<char16_t>(b));
        }
    }
    for (char32_t c = 0; c < 0x10000; ++c) {
        const std::u16string one(1, static_cast<char16_t>(c));
        EXPECT_EQ(cp.encode(one), reference.encode(one)) << c;
    }
}

} // namespace
