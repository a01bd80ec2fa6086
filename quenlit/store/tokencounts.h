#pragma once

#include "tokenstatus.h"
#include "tokentable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
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

inline bool CountsForProgress(std::int64_t status)
{
    return (status & FlagNonTranslated) || !(status & FlagReadOnly);
}
inline bool NeedsWork(std::int64_t status)
{
    return (status & FlagNonTranslated) && !(status & FlagReadOnly);
}

// How many tokens of the project each filter of the tree lists, kept up to date
// at a constant cost per status change: tokens are counted by type and by the
// three flag bits of their status (and whether it is exactly 4).
class TokenCounts
{
public:
    void assign(const TokenTable &table);
    void clear() { m_cells = {}; }
    // A token of the given type cell changed status.
    void statusChanged(std::string_view typeCell, std::int64_t oldStatus, std::int64_t newStatus);

    // Tokens the filter lists under the read-only option, and their progress.
    std::size_t listed(const TokenFilter &filter, bool showReadOnly) const;
    Progress progress(const TokenFilter &filter) const;
    // The whole project.
    Progress progress() const { return progress(TokenFilter{}); }
    std::size_t total() const;

private:
    static constexpr int kTypes = 5;   // Menu, Dialog, String, Version, Unknow type
    static constexpr int kClasses = 9; // status & 7, and 8 for exactly 4
    static int typeIndex(std::string_view typeName);
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
    void assign(const std::vector<std::size_t> &rows, const TokenTable &table);
    void clear();

    std::size_t size() const { return m_rows.size(); }
    std::size_t rowAt(std::size_t item) const { return item < m_rows.size() ? m_rows[item] : 0; }
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
        return item < m_rows.size() && (m_needsWork[item >> 6] >> (item & 63) & 1);
    }

private:
    void setNeedsWork(std::size_t item, bool on);
    std::optional<std::size_t> findForward(std::size_t first, std::size_t end) const;  // in [first, end)
    std::optional<std::size_t> findBackward(std::size_t first, std::size_t end) const; // last in [first, end)

    static constexpr std::uint32_t kNotListed = 0xFFFFFFFFu;
    std::vector<std::size_t> m_rows;
    std::vector<std::uint32_t> m_itemOfRow; // by table row
    std::vector<std::uint64_t> m_needsWork; // one bit per item
    Progress m_progress;
};
