#include "tokenio.h"

#include "numbers.h"
#include "regularfile.h"
#include "textlines.h"
#include "tokenline.h"

#include <new>
#include <stdexcept>

TokenLoadStatus LoadTokens(std::string bytes, TokenTable &table, TokenLoadObserver *observer, int base)
{
    table.clear();
    table.adoptBuffer(std::move(bytes));
    const std::string_view all = table.buffer();
    const double length = static_cast<double>(all.size());
    table.reserveRows(all.size() / 48 + 1);
    LineSplitter lines(all);
    std::string_view line;
    std::size_t lineNumber = 0;
    int shown = -1;
    while (lines.next(line)) {
        ++lineNumber;
        TokenLineLayout layout;
        const auto status = ParseTokenLine(line, layout);
        if (status == TokenLineStatus::ReadError)
            return TokenLoadStatus::ReadError;
        if (status == TokenLineStatus::Ok)
            table.appendLoaded(static_cast<std::size_t>(line.data() - all.data()), layout);
        else if (observer)
            observer->badToken(lineNumber, line);
        if (observer) {
            const double next = static_cast<double>(lines.position()) + 1;
            std::int64_t value = RoundHalfEven(50.0 * next / length + base);
            value = value < 0 ? 0 : (value > 100 ? 100 : value);
            if (value != shown) {
                shown = static_cast<int>(value);
                observer->progress(shown);
            }
        }
    }
    return TokenLoadStatus::Ok;
}

TokenLoadStatus LoadTokenFile(const std::string &path, TokenTable &table, TokenLoadObserver *observer, int base)
{
    table.clear();
    std::string bytes;
    switch (ReadWholeRegularFile(path, bytes)) {
    case FileReadStatus::Ok:
        break;
    case FileReadStatus::CantOpen:
        return TokenLoadStatus::CantOpen;
    case FileReadStatus::ReadError:
        return TokenLoadStatus::ReadError;
    }
    if (observer)
        observer->fileStarted(path);
    TokenLoadStatus status = TokenLoadStatus::ReadError;
    try {
        status = LoadTokens(std::move(bytes), table, observer, base);
    } catch (const std::bad_alloc &) {
        status = TokenLoadStatus::ReadError; // more rows than memory holds
    } catch (const std::length_error &) {
        status = TokenLoadStatus::ReadError;
    }
    if (observer)
        observer->fileFinished();
    return status;
}

std::string FormatTokens(const TokenTable &table, const std::function<void(double)> &progress)
{
    std::string out;
    out.reserve(table.buffer().size() + table.tokenCount() * 4 + 16);
    const std::size_t n = table.tokenCount();
    for (std::size_t row = 1; row <= n; ++row) {
        AppendTokenLine(table, row, out);
        if (progress)
            progress(100.0 * static_cast<double>(row) / static_cast<double>(n));
    }
    return out;
}
