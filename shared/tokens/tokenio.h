#pragma once

#include "tokentable.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Receives what happens while a token file is read.
class TokenLoadObserver
{
public:
    virtual ~TokenLoadObserver() = default;
    // A line that is not a token ("Bad token !"); the reading goes on.
    virtual void badToken(std::size_t lineNumber, std::string_view line)
    {
        (void)lineNumber;
        (void)line;
    }
    // The progress bar's new value, 0 to 100; only sent when it changes.
    virtual void progress(int value) { (void)value; }
    // A token file was opened and its lines are about to be read; then its
    // reading ended, whatever the outcome.
    virtual void fileStarted(const std::string &path) { (void)path; }
    virtual void fileFinished() {}
};

enum class TokenLoadStatus
{
    Ok,
    CantOpen,
    ReadError
};

// Told of each token row as the reading appends it, with its line and where its
// cells lie, so that what is made of every row is made in the same pass.
class TokenRowSink
{
public:
    virtual ~TokenRowSink() = default;
    // Rows come in order, 1, 2, ...; `expectedRows` is a guess at their number,
    // told once before the first.
    virtual void expectRows(std::size_t expectedRows) { (void)expectedRows; }
    virtual void rowRead(std::size_t row, std::string_view line, const TokenLineLayout &layout) = 0;
};

// What a reading makes beside the rows, in the same pass.
struct TokenLoadExtras
{
    TokenRowSink *rows = nullptr;
    // The table's key index (see TokenTable::startKeyIndex), complete when the
    // reading succeeds.
    bool keyIndex = false;
};

// Empties the table, then parses the bytes line by line into it. Progress runs
// from `base` to base + 50 in proportion to the bytes read. On ReadError the rows
// read until then stay.
TokenLoadStatus LoadTokens(std::string bytes, TokenTable &table, TokenLoadObserver *observer = nullptr,
                           int base = 0, const TokenLoadExtras &extras = {});
TokenLoadStatus LoadTokens(FileBytes bytes, TokenTable &table, TokenLoadObserver *observer = nullptr, int base = 0,
                           const TokenLoadExtras &extras = {});
// Only a regular file (or a link to one) is read: anything else is CantOpen. A
// file too large for memory is a ReadError. The table keeps the file's bytes
// mapped where that is safe (see FileBytes).
TokenLoadStatus LoadTokenFile(const std::string &path, TokenTable &table, TokenLoadObserver *observer = nullptr,
                              int base = 0, const TokenLoadExtras &extras = {});

// The whole token file of a table, one CR LF line per row.
std::string FormatTokens(const TokenTable &table, const std::function<void(double)> &progress = {});

// Keeps what a reading tells its observer, to tell it later to another one on
// another thread: the same calls in the same order.
class TokenLoadRecorder : public TokenLoadObserver
{
public:
    void badToken(std::size_t lineNumber, std::string_view line) override;
    void progress(int value) override;
    void fileStarted(const std::string &path) override;
    void fileFinished() override;
    // Tells everything recorded to `observer`, in order. The lines of bad tokens
    // are views into the table read, which must still hold its bytes.
    void replay(TokenLoadObserver &observer) const;

private:
    struct Event
    {
        enum Kind
        {
            Bad,
            Progress,
            Started,
            Finished
        } kind;
        std::size_t number; // line number or progress value
        std::string_view line;
    };
    std::vector<Event> m_events;
    std::string m_path;
};
