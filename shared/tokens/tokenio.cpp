#include "tokenio.h"

#include "numbers.h"
#include "regularfile.h"
#include "textlines.h"
#include "tokenline.h"

#include <new>
#include <stdexcept>

TokenLoadStatus LoadTokens(std::string bytes, TokenTable &table, TokenLoadObserver *observer, int base)
{
    return LoadTokens(FileBytes(std::move(bytes)), table, observer, base);
}

TokenLoadStatus LoadTokens(FileBytes bytes, TokenTable &table, TokenLoadObserver *observer, int base)
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
    // Below this position the bar's value cannot have moved on: the rounding is
    // only worked out near the next step.
    double steady = -1;
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
    return TokenLoadStatus::Ok;
}

TokenLoadStatus LoadTokenFile(const std::string &path, TokenTable &table, TokenLoadObserver *observer, int base)
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
