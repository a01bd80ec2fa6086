#pragma once

#include "listing/listrows.h"
#include "listing/tokenfilter.h"
#include "tokenstatus.h"
#include "tokentable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Progress as the translator sees it: of the tokens that count (all but the
// read-only ones without the non-translated flag), how many are translated
// (status exactly 4, the "Translated" node's rule).
struct Progress
{
    std::size_t translated = 0; // N
    std::size_t counted = 0;    // M
    // P: the whole percent reached, so 100 only when all are done; 100 when none count.
    int percent() const
    {
        return counted == 0 ? 100 : static_cast<int>((translated * 100) / counted);
    }
    bool operator==(const Progress &o) const { return translated == o.translated && counted == o.counted; }
};

// "N of M translated (P %)".
std::string ProgressText(const Progress &progress);
// "N/M · P %", the same in the room of a status bar field (UTF-8).
std::string ShortProgressText(const Progress &progress);

inline bool CountsForProgress(std::int64_t status)
{
    return (status & FlagNonTranslated) || !(status & FlagReadOnly);
}
inline bool NeedsWork(std::int64_t status)
{
    return (status & FlagNonTranslated) && !(status & FlagReadOnly);
}

// One byte per token of the project table with all the flow asks of it: the
// three flag bits of its status, whether the status is exactly 4, and its type.
// Made in one pass when a project opens and kept by every status change, so
// that counting and narrowing never parse a status again.
class TokenSummary
{
public:
    static constexpr int kTypes = 5; // Menu, Dialog, String, Version, Unknow type

    void assign(const TokenTable &table);
    // The same a row at a time, as a reading appends them (row 1 first): its
    // type and status cells.
    void reserve(std::size_t rows);
    void append(std::string_view typeCell, std::string_view statusCell);
    void clear() { std::vector<std::uint8_t>().swap(m_bytes); }
    void statusChanged(std::size_t row, std::int64_t status);

    std::size_t tokenCount() const { return m_bytes.empty() ? 0 : m_bytes.size() - 1; }
    // The status's flag bits (status & 7).
    int flags(std::size_t row) const { return m_bytes[row] & 7; }
    bool exactlyTranslated(std::size_t row) const { return m_bytes[row] & kExactly4; }
    int type(std::size_t row) const { return (m_bytes[row] >> 4) & 7; }
    bool needsWork(std::size_t row) const { return (flags(row) & 3) == FlagNonTranslated; }
    bool counts(std::size_t row) const { return (flags(row) & 3) != FlagReadOnly; }
    // Whether the status cell, as read, may be other than the status in plain
    // decimal ("04", "4.0", " 4"): a status written since is plain, but the mark
    // stays, so a row without it certainly is plain.
    bool statusMayBeOdd(std::size_t row) const { return m_bytes[row] & kOddStatus; }

    // 0 Menu, 1 Dialog, 2 String, 3 Version, 4 Unknow type.
    static int TypeIndex(TokenType type);

private:
    static constexpr std::uint8_t kExactly4 = 8;
    static constexpr std::uint8_t kOddStatus = 0x80; // bits 4-6 hold the type
    static std::uint8_t byteOf(std::string_view typeCell, std::string_view statusCell);
    static std::uint8_t statusBits(std::int64_t status)
    {
        return static_cast<std::uint8_t>((status & 7) | (status == 4 ? kExactly4 : 0));
    }
    std::vector<std::uint8_t> m_bytes; // by row; row 0 unused
};

// How many tokens of the project each filter of the tree lists, kept up to date
// at a constant cost per status change: tokens are counted by type and by the
// three flag bits of their status (and whether it is exactly 4).
class TokenCounts
{
public:
    void assign(const TokenSummary &summary);
    void clear() { m_cells = {}; }
    // A token of this type changed status.
    void statusChanged(int type, std::int64_t oldStatus, std::int64_t newStatus);

    // Tokens the filter lists under the read-only option, and their progress.
    std::size_t listed(const TokenFilter &filter, bool showReadOnly) const;
    Progress progress(const TokenFilter &filter) const;
    // The whole project.
    Progress progress() const { return progress(TokenFilter{}); }
    std::size_t total() const;

private:
    static constexpr int kTypes = TokenSummary::kTypes;
    static constexpr int kClasses = 9; // status & 7, and 8 for exactly 4
    static int classOf(std::int64_t status) { return status == 4 ? 8 : static_cast<int>(status & 7); }
    static std::int64_t lowBits(int cls) { return cls == 8 ? 4 : cls; }
    template <typename F> void forEach(const TokenFilter &filter, F f) const;

    std::array<std::array<std::size_t, kClasses>, kTypes> m_cells{};
};

// The items of the token list with what the flow keys need of them at a cost
// independent of the list's length: the item of a row, the progress of the
// list, and the next item that needs work (non-translated, not read-only).
class ListedTokens
{
public:
    // The rows of the list, ascending; shared, not copied.
    void assign(SharedListRows rows, const TokenSummary &summary);
    void clear();

    std::size_t size() const { return m_rows ? m_rows->size() : 0; }
    std::size_t rowAt(std::size_t item) const { return item < size() ? (*m_rows)[item] : 0; }
    // The item of a table row, or nothing when the row is not listed.
    std::optional<std::size_t> itemOf(std::size_t row) const;

    void statusChanged(std::size_t row, std::int64_t oldStatus, std::int64_t newStatus);
    const Progress &progress() const { return m_progress; }

    struct Found
    {
        std::size_t item = 0;
        bool wrapped = false; // the search went past the end (or the start) of the list
    };
    // The first item after `from` (before it, going back) that needs work,
    // wrapping around; `from` itself is looked at last. Without `from`, the
    // search starts at the first (the last) item. Nothing when no item needs work.
    std::optional<Found> nextNeedingWork(std::optional<std::size_t> from, bool forward) const;
    bool needsWork(std::size_t item) const
    {
        return item < size() && (m_needsWork[item >> 6] >> (item & 63) & 1);
    }

private:
    void setNeedsWork(std::size_t item, bool on);
    std::optional<std::size_t> findForward(std::size_t first, std::size_t end) const;  // in [first, end)
    std::optional<std::size_t> findBackward(std::size_t first, std::size_t end) const; // last in [first, end)

    SharedListRows m_rows;
    std::size_t m_tokenCount = 0;
    std::vector<std::uint64_t> m_needsWork; // one bit per item
    Progress m_progress;
};
