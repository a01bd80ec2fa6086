#include "tokenio.h"

#include "numbers.h"
#include "regularfile.h"
#include "textlines.h"
#include "tokenline.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

TokenLoadStatus LoadTokens(std::string bytes, TokenTable &table, TokenLoadObserver *observer, int base,
                           const TokenLoadExtras &extras)
{
    return LoadTokens(FileBytes(std::move(bytes)), table, observer, base, extras);
}

namespace {

// Rows read before the number of rows is guessed from their share of the bytes.
constexpr std::size_t kSampleRows = 4096;

} // namespace

TokenLoadStatus LoadTokens(FileBytes bytes, TokenTable &table, TokenLoadObserver *observer, int base,
                           const TokenLoadExtras &extras)
{
    table.clear();
    table.adoptBuffer(std::move(bytes));
    const std::string_view all = table.buffer();
    const double length = static_cast<double>(all.size());
    // A first guess for the rows; the sample below makes a closer one.
    table.reserveRows(std::min<std::size_t>(all.size() / 48 + 1, kSampleRows));
    // Lines as LineSplitter cuts them (at each LF, one CR before it dropped),
    // found here with memchr so that the loop stays in one piece.
    const char *const begin = all.data();
    const char *const end = begin + all.size();
    const char *at = begin;
    std::string_view line;
    std::size_t lineNumber = 0;
    int shown = -1;
    // Below this position the bar's value cannot have moved on: the rounding is
    // only worked out near the next step.
    double steady = -1;
    bool guessed = false;
    while (at < end) {
        const char *lf = static_cast<const char *>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const char *next = lf ? lf + 1 : end;
        const char *stop = lf ? lf : end;
        if (lf && stop > at && stop[-1] == '\r')
            --stop;
        line = std::string_view(at, static_cast<std::size_t>(stop - at));
        at = next;
        const std::size_t position = static_cast<std::size_t>(at - begin);
        ++lineNumber;
        TokenLineLayout layout;
        const auto status = ParseTokenLine(line, layout);
        if (status == TokenLineStatus::ReadError)
            return TokenLoadStatus::ReadError;
        if (status == TokenLineStatus::Ok) {
            if (!guessed && table.tokenCount() == kSampleRows) {
                // The rows to come, from the bytes the sample took, a little over.
                guessed = true;
                const double share = static_cast<double>(position) / length;
                const auto expected = static_cast<std::size_t>(static_cast<double>(kSampleRows) / share * 1.02) + 64;
                table.reserveRows(expected);
                if (extras.keyIndex)
                    table.startKeyIndex(expected);
                if (extras.rows)
                    extras.rows->expectRows(expected);
            } else if (guessed && table.tokenCount() == table.rowCapacity()) {
                table.reserveRows(table.tokenCount() + table.tokenCount() / 8 + 64); // a guess too low
            }
            table.appendLoaded(static_cast<std::size_t>(line.data() - all.data()), layout);
            if (extras.rows)
                extras.rows->rowRead(table.tokenCount(), line, layout);
        } else if (observer)
            observer->badToken(lineNumber, line);
        if (observer) {
            const double next = static_cast<double>(position) + 1;
            if (next < steady)
                continue;
            std::int64_t value = RoundHalfEven(50.0 * next / length + base);
            value = value < 0 ? 0 : (value > 100 ? 100 : value);
            if (value != shown) {
                shown = static_cast<int>(value);
                observer->progress(shown);
            }
            steady = shown >= 100 ? length + 2 : (shown + 0.5 - base) * length / 50.0 - 2;
        }
    }
    if (extras.keyIndex)
        table.finishKeyIndex();
    return TokenLoadStatus::Ok;
}

TokenLoadStatus LoadTokenFile(const std::string &path, TokenTable &table, TokenLoadObserver *observer, int base,
                              const TokenLoadExtras &extras)
{
    table.clear();
    FileBytes bytes;
    switch (FileBytes::Load(path, bytes)) {
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
        status = LoadTokens(std::move(bytes), table, observer, base, extras);
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

void TokenLoadRecorder::badToken(std::size_t lineNumber, std::string_view line)
{
    m_events.push_back({Event::Bad, lineNumber, line});
}

void TokenLoadRecorder::progress(int value)
{
    m_events.push_back({Event::Progress, static_cast<std::size_t>(value), {}});
}

void TokenLoadRecorder::fileStarted(const std::string &path)
{
    m_path = path;
    m_events.push_back({Event::Started, 0, {}});
}

void TokenLoadRecorder::fileFinished()
{
    m_events.push_back({Event::Finished, 0, {}});
}

void TokenLoadRecorder::replay(TokenLoadObserver &observer) const
{
    for (const Event &e : m_events) {
        switch (e.kind) {
        case Event::Bad:
            observer.badToken(e.number, e.line);
            break;
        case Event::Progress:
            observer.progress(static_cast<int>(e.number));
            break;
        case Event::Started:
            observer.fileStarted(m_path);
            break;
        case Event::Finished:
            observer.fileFinished();
            break;
        }
    }
}
