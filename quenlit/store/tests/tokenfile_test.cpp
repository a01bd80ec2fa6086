#include "childprocess.h"
#include "testfiles.h"
#include "store/tokenfile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

namespace {

struct RecordingObserver : TokenLoadObserver
{
    std::vector<std::size_t> badLines;
    std::vector<int> values;
    void badToken(std::size_t lineNumber, std::string_view) override { badLines.push_back(lineNumber); }
    void progress(int value) override { values.push_back(value); }
};

TEST(LoadTokens, BadLinesAreSkippedAndReported)
{
    TokenTable table;
    RecordingObserver observer;
    const auto status = LoadTokens("[[4|1|1|0|1|a]]=one\r\n[[4|1|2|0|1|b]]=two\r\nbad line\r\n[[4|1|3|0|1|c]]=three\r\n\r\n",
                                   table, &observer);
    EXPECT_EQ(status, TokenLoadStatus::Ok);
    ASSERT_EQ(table.tokenCount(), 3u);
    EXPECT_EQ(table.cell(3, 0), "three"); // row 3 is line 4
    EXPECT_EQ(observer.badLines, (std::vector<std::size_t>{3, 5}));
}

TEST(LoadTokens, LastLineWithoutLineEndAndLoneLf)
{
    TokenTable table;
    EXPECT_EQ(LoadTokens("[[4|1|1|0|1|a]]=one\n[[4|1|2|0|1|b]]=two", table), TokenLoadStatus::Ok);
    ASSERT_EQ(table.tokenCount(), 2u);
    EXPECT_EQ(table.cell(1, 0), "one");
    EXPECT_EQ(table.cell(2, 0), "two");
}

TEST(LoadTokens, BarWithinTheSkippedCharactersStopsTheReading)
{
    TokenTable table;
    RecordingObserver observer;
    EXPECT_EQ(LoadTokens("[[4|1|1|0|1|a]]=one\r\n|4|1|1|0|1|a]]=x\r\n[[4|1|3|0|1|c]]=three\r\n", table, &observer),
              TokenLoadStatus::ReadError);
    EXPECT_EQ(table.tokenCount(), 1u);
}

TEST(LoadTokens, ProgressFollowsTheBytes)
{
    // 2,000 bytes: after a first line of 100 bytes (line end included) the bar
    // shows the integer nearest to 50 * 101 / 2000 + 50 = 52.525.
    std::string first = "[[6|1|1|0|1|k]]=" + std::string(100 - 18, 'a') + "\r\n";
    ASSERT_EQ(first.size(), 100u);
    std::string rest = "[[6|1|2|0|1|k]]=" + std::string(2000 - 100 - 18, 'b') + "\r\n";
    TokenTable table;
    RecordingObserver observer;
    LoadTokens(first + rest, table, &observer, 50);
    ASSERT_FALSE(observer.values.empty());
    EXPECT_EQ(observer.values.front(), 53);
    // The last value would be a little above 100: it is kept within range.
    EXPECT_EQ(observer.values.back(), 100);
}

TEST(LoadTokens, ThousandBytesEndAtFifty)
{
    std::string line = "[[6|1|1|0|1|k]]=" + std::string(1000 - 18, 'a') + "\r\n";
    TokenTable table;
    RecordingObserver observer;
    LoadTokens(line, table, &observer, 0);
    EXPECT_EQ(observer.values, (std::vector<int>{50})); // nearest to 50.05
}

TEST(LoadTokens, MillionsOfRowsBeyondSixteenBits)
{
    std::string bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += "[[6|1|" + std::to_string(i) + "|0|1|]]=t\r\n";
    TokenTable table;
    LoadTokens(bytes, table);
    EXPECT_EQ(table.tokenCount(), 40000u);
    EXPECT_EQ(table.cell(40000, ColId3), "39999");
}

TEST(RoundTrip, EveryByteValueInTextsAndFields)
{
    // Every byte but the line feed; a CR is kept unless it precedes the line end.
    std::string text;
    for (int b = 0; b < 256; ++b) {
        if (b != '\n')
            text += static_cast<char>(b);
    }
    std::string field;
    for (int b = 0; b < 256; ++b) {
        if (b != '\n' && b != '|' && b != '=' && b != ']')
            field += static_cast<char>(b);
    }
    const std::string file = "[[6|1|2|3|4|" + field + "]]=" + text + "\r\n" + "[[4|" + field + "|x|0|1|]]=\r\n";
    TokenTable table;
    ASSERT_EQ(LoadTokens(file, table), TokenLoadStatus::Ok);
    ASSERT_EQ(table.tokenCount(), 2u);
    EXPECT_EQ(FormatTokens(table), file);
}

TEST(FormatTokens, ProgressRunsToHundred)
{
    std::string bytes;
    for (int i = 0; i < 400; ++i)
        bytes += "[[6|1|" + std::to_string(i) + "|0|1|]]=t\r\n";
    TokenTable table;
    LoadTokens(bytes, table);
    std::vector<double> values;
    EXPECT_EQ(FormatTokens(table, [&](double v) { values.push_back(v); }), bytes);
    ASSERT_EQ(values.size(), 400u);
    EXPECT_DOUBLE_EQ(values[0], 0.25);
    EXPECT_DOUBLE_EQ(values[1], 0.5);
    EXPECT_DOUBLE_EQ(values.back(), 100.0);
}

class Save : public testing::Test
{
protected:
    TempDir dir;
    std::string path = dir.file("fr.tok");

    TokenTable load(const std::string &bytes)
    {
        TokenTable table;
        LoadTokens(bytes, table);
        return table;
    }
};

TEST_F(Save, FirstAndSecondSave)
{
    const std::string original = "xx4|1|2|0|01|k]]=abc\r\n[[4|1|3|0|1|k]]=def\r\n";
    WriteFile(path, original);
    auto table = load(original);
    table.setCell(2, ColText, "DEF");
    ASSERT_TRUE(SaveProjectTokens(path, table).ok());
    const std::string first = "[[4|1|2|0|01|k]]=abc\r\n[[4|1|3|0|1|k]]=DEF\r\n";
    EXPECT_EQ(ReadFile(path), first);
    EXPECT_EQ(ReadFile(path + ".bak"), original);

    table.setCell(1, ColStatus, "4");
    ASSERT_TRUE(SaveProjectTokens(path, table).ok());
    EXPECT_EQ(ReadFile(path), "[[4|1|2|0|4|k]]=abc\r\n[[4|1|3|0|1|k]]=DEF\r\n");
    EXPECT_EQ(ReadFile(path + ".bak"), first);
    // Nothing but the token file and its backup is left in the folder.
    int files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 2);
}

TEST_F(Save, EmptyTableWritesAnEmptyFile)
{
    WriteFile(path, "not a token\r\n");
    auto table = load("not a token\r\n");
    ASSERT_TRUE(SaveProjectTokens(path, table).ok());
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_EQ(ReadFile(path + ".bak"), "not a token\r\n");
}

TEST_F(Save, KeepsPermissions)
{
    WriteFile(path, "[[4|1|2|0|1|k]]=abc\r\n");
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto table = load(ReadFile(path));
    ASSERT_TRUE(SaveProjectTokens(path, table).ok());
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A token file deleted or moved away while open is written anew; the backup of
// an earlier save stays as it was, and the message says what happened.
TEST_F(Save, MissingTokenFileIsWrittenAnewAndKeepsTheOldBackup)
{
    WriteFile(path + ".bak", "old backup");
    auto table = load("[[4|1|2|0|1|k]]=abc\r\n");
    const auto result = SaveProjectTokens(path, table);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.message, "The token file " + path +
                                  " was not there any more; it was written anew (there was no previous content to "
                                  "back up).");
    EXPECT_EQ(ReadFile(path), "[[4|1|2|0|1|k]]=abc\r\n");
    EXPECT_EQ(ReadFile(path + ".bak"), "old backup");
    int files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 2) << "a temporary file was left behind";
}

// A backup name that cannot be replaced (a folder) never stops a save: the
// previous content goes under a name of its own, and the message says so.
TEST_F(Save, BackupThatCannotBeReplacedGoesUnderAFreshName)
{
    const std::string original = "[[4|1|2|0|1|k]]=abc\r\n";
    WriteFile(path, original);
    std::filesystem::create_directory(path + ".bak");
    WriteFile(path + ".bak/inside", "x"); // a non-empty folder cannot be renamed over
    auto table = load(original);
    table.setCell(1, ColText, "changed");
    const auto result = SaveProjectTokens(path, table);
    EXPECT_TRUE(result.ok());
    EXPECT_NE(result.message.find("kept in " + path + ".bak.1 instead"), std::string::npos) << result.message;
    EXPECT_EQ(ReadFile(path), "[[4|1|2|0|1|k]]=changed\r\n");
    EXPECT_EQ(ReadFile(path + ".bak.1"), original);
    EXPECT_EQ(ReadFile(path + ".bak/inside"), "x");
    int files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 3) << "a temporary file was left behind";
}

// A folder that takes no new files, with a backup that cannot be written over:
// no backup can be made, so nothing is saved and nothing changes. Runs as an
// unprivileged user, for whom the folder's permissions hold.
TEST_F(Save, ReadOnlyFolderFailsAndLosesNothing)
{
    const std::string original = "[[4|1|2|0|1|k]]=abc\r\n";
    WriteFile(path, original);
    WriteFile(path + ".bak", "old backup");
    ASSERT_TRUE(GiveTo(path, UnprivilegedUid(), UnprivilegedGid(), 0644));
    ASSERT_TRUE(GiveTo(path + ".bak", UnprivilegedUid(), UnprivilegedGid(), 0444));
    ASSERT_TRUE(GiveTo(dir.path().string(), UnprivilegedUid(), UnprivilegedGid(), 0555));
    auto table = load(original);
    table.setCell(1, ColText, "changed");
    const auto saved = RunUnprivileged([&] {
        if (access(dir.path().c_str(), W_OK) == 0)
            return std::string("the folder is writable for this user");
        const auto result = SaveProjectTokens(path, table);
        return result.ok() ? std::string("saved") : result.message;
    });
    REQUIRE_CHILD_RAN(saved);
    EXPECT_EQ(saved.output, "Can't create the backup " + path + ".bak of the token file " + path +
                                ": Permission denied");
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(ReadFile(path + ".bak"), "old backup");
}

} // namespace
