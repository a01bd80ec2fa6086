#pragma once

#include "tokentable.h"

#include <functional>
#include <string>
#include <string_view>

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

// Empties the table, then parses the bytes line by line into it. Progress runs
// from `base` to base + 50 in proportion to the bytes read. On ReadError the rows
// read until then stay.
TokenLoadStatus LoadTokens(std::string bytes, TokenTable &table, TokenLoadObserver *observer = nullptr,
                           int base = 0);
// Only a regular file (or a link to one) is read: anything else is CantOpen. A
// file too large for memory is a ReadError.
TokenLoadStatus LoadTokenFile(const std::string &path, TokenTable &table, TokenLoadObserver *observer = nullptr,
                              int base = 0);

// The whole token file of a table, one CR LF line per row.
std::string FormatTokens(const TokenTable &table, const std::function<void(double)> &progress = {});
