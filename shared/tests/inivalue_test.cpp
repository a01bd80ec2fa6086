#include "inivalue.h"

#include <gtest/gtest.h>

namespace {

struct Stored
{
    const char *name;
    std::string stored;
    std::optional<std::string> bytes;
};

class ReadValue : public testing::TestWithParam<Stored>
{
};

TEST_P(ReadValue, AsQtWritesIt)
{
    EXPECT_EQ(UnescapeIniValue(GetParam().stored), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    IniValues, ReadValue,
    testing::Values(Stored{"Plain", "C:\\\\RLTools\\\\", "C:\\RLTools\\"}, Stored{"Empty", "", ""},
                    Stored{"QuotedComma", "\"a, b\"", "a, b"}, Stored{"ListJoined", "1200,5", "1200,5"},
                    Stored{"ListTrimmed", "x , y", "x,y"}, Stored{"QuotedBlanks", "\" lead \"", " lead "},
                    Stored{"UnquotedBlanksTrimmed", "  mid dle  ", "mid dle"},
                    Stored{"Escapes", "a\\tb\\nc\\\"d\\\\e\\?", "a\tb\nc\"d\\e?"},
                    Stored{"HexAndOctal", "\\x1\\0\\x41", std::string("\x01\0A", 3)},
                    Stored{"HexAboveAscii", "\\xe9", "\xC3\xA9"}, Stored{"Utf8", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
                    Stored{"NotUtf8", "/opt/caf\xE9/", "/opt/caf\xE9/"},
                    Stored{"NotUtf8Quoted", "\"caf\xE9, b\"", "caf\xE9, b"}, Stored{"AtDoubled", "@@x", "@x"},
                    Stored{"AtString", "@String(y)", "y"}, Stored{"Invalid", "@Invalid()", std::nullopt}),
    [](const testing::TestParamInfo<Stored> &info) { return std::string(info.param.name); });

class WriteValue : public testing::TestWithParam<std::string>
{
};

TEST_P(WriteValue, ReadsBackWhole)
{
    EXPECT_EQ(UnescapeIniValue(EscapeIniValue(GetParam())), GetParam());
}

INSTANTIATE_TEST_SUITE_P(IniValues, WriteValue,
                         testing::Values("", "C:\\RLTools\\", "a, b", " lead", "trail ", "x=y;z", "q\"uote",
                                         "tab\there", "ctl\x01" "1f", std::string("nul\0" "7", 5), "@at", "@@two",
                                         "@Invalid()", "caf\xE9", "\xC3\xA9t\xC3\xA9", "new\nline\r"));

TEST(IniValues, WrittenAsQtWrites)
{
    EXPECT_EQ(EscapeIniValue("C:\\RLTools\\"), "C:\\\\RLTools\\\\");
    EXPECT_EQ(EscapeIniValue("a, b"), "\"a, b\"");
    EXPECT_EQ(EscapeIniValue(" lead"), "\" lead\"");
    EXPECT_EQ(EscapeIniValue("@x"), "@@x");
    EXPECT_EQ(EscapeIniValue("caf\xE9"), "caf\xE9");
    EXPECT_EQ(EscapeIniValue("\x01" "a"), "\\x1\\x61");
}

} // namespace
