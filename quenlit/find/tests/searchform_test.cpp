#include "find/searchform.h"

#include <gtest/gtest.h>

namespace {

struct FormCase
{
    const char16_t *text;
    const char *form; // UTF-8
};

class SearchFormTest : public testing::TestWithParam<FormCase>
{
};

TEST_P(SearchFormTest, TextAsShownAndFolded)
{
    EXPECT_EQ(SearchForm(GetParam().text), GetParam().form);
}

INSTANTIATE_TEST_SUITE_P(Texts, SearchFormTest,
                         testing::Values(FormCase{u"&Open", "open"}, FormCase{u"E&xit", "exit"},
                                         FormCase{u"Tom && Jerry", "tom & jerry"},
                                         FormCase{u"&&&Save", "&save"},  // literal "&", then a marker
                                         FormCase{u"End &", "end "},     // a trailing marker shows nothing
                                         FormCase{u"\u00C9DITION", "\xC3\xA9" "dition"},
                                         FormCase{u"\u0424\u0410\u0419\u041B", "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB"},
                                         FormCase{u"\u03A3\u03BF\u03C2", "\xCF\x83\xCE\xBF\xCF\x83"}, // final sigma folds
                                         FormCase{u"", ""}));

struct NeedleCase
{
    const char16_t *typed;
    const char *form;
};

class NeedleFormTest : public testing::TestWithParam<NeedleCase>
{
};

TEST_P(NeedleFormTest, TypedTextAsSearched)
{
    EXPECT_EQ(NeedleForm(GetParam().typed), GetParam().form);
}

INSTANTIATE_TEST_SUITE_P(Typed, NeedleFormTest,
                         testing::Values(NeedleCase{u"open", "open"}, NeedleCase{u"OPEN", "open"},
                                         NeedleCase{u"&Open", "open"},          // pasted from a token
                                         NeedleCase{u"Save & Exit", "save & exit"}, // typed as shown
                                         NeedleCase{u"Save &", "save &"}, NeedleCase{u"&", "&"},
                                         NeedleCase{u"&&", "&"}));

TEST(SearchForm, NeverHoldsTheSeparatorBytes)
{
    std::u16string all;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF)
            all += static_cast<char16_t>(c);
    }
    all += u"\U0001F600";
    all += static_cast<char16_t>(0xD800); // a lone surrogate
    const std::string form = SearchForm(all);
    EXPECT_EQ(form.find('\xFE'), std::string::npos);
    EXPECT_EQ(form.find('\xFF'), std::string::npos);
}

TEST(SearchForm, FindIgnoresMarkersAndCase)
{
    // What the find box relies on: the needle is a part of the text's form.
    const struct
    {
        const char16_t *text;
        const char16_t *typed;
        bool found;
    } rows[] = {
        {u"&Open", u"open", true},        {u"&Ouvrir", u"OUVRIR", true}, {u"Op&en", u"open", true},
        {u"Tom && Jerry", u"m & j", true}, {u"Tom && Jerry", u"&", true}, {u"&Open", u"&", false},
        {u"Save && Exit", u"Save & Exit", true}, {u"\u00C9dition", u"\u00E9DITION", true},
        {u"Fen\u00EAtre", u"fenetre", false}, // accents count
    };
    int index = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(index++);
        EXPECT_EQ(SearchForm(row.text).find(NeedleForm(row.typed)) != std::string::npos, row.found);
    }
}

TEST(SearchForm, WordCharacters)
{
    EXPECT_TRUE(IsWordChar(U'a'));
    EXPECT_TRUE(IsWordChar(U'_'));
    EXPECT_TRUE(IsWordChar(U'7'));
    EXPECT_TRUE(IsWordChar(0xE9));  // é
    EXPECT_TRUE(IsWordChar(0x436)); // ж
    EXPECT_TRUE(IsWordChar(0x301)); // combining acute
    EXPECT_FALSE(IsWordChar(U' '));
    EXPECT_FALSE(IsWordChar(U'.'));
    EXPECT_FALSE(IsWordChar(U'&'));
    EXPECT_FALSE(IsWordChar(0xA0));
}

} // namespace
