#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "listing/listrows.h"

class TextCodec;
class TokenTable;

// The search form (see searchform.h) of every project token: its translation and
// its master text, kept so that each keystroke in a find box compares bytes
// instead of decoding a million texts. Built in steps, so the window stays
// responsive while it is made; a row whose text changes afterwards is made anew.
//
// Row r's entry reads: translation form, 0xFE, master form; entries follow one
// another in row order, each ended by 0xFF. Neither byte occurs in the forms, so
// a needle never matches across two texts.
class FindIndex
{
public:
    FindIndex() = default;
    FindIndex(const FindIndex &) = delete;
    FindIndex &operator=(const FindIndex &) = delete;

    // Starts over on a project. Neither tables nor codecs are owned; they must
    // outlive the index or the next reset().
    void reset(const TokenTable *project, const TokenTable *master, const TextCodec *projectCodec,
               const TextCodec *masterCodec);
    // Forgets everything (no project).
    void clear();

    // Builds up to maxRows more rows; true once every row is in. With `stop`,
    // the build ends early once it is set (looked at every few thousand rows).
    // A build may run on a thread of its own, as long as nothing else touches
    // the index or changes the tables meanwhile; complete() and builtRows()
    // may be asked from any thread.
    bool build(std::size_t maxRows, const std::atomic<bool> *stop = nullptr);
    bool complete() const { return m_project && m_built.load(std::memory_order_acquire) == tokenCount(); }
    std::size_t builtRows() const { return m_built.load(std::memory_order_acquire); }

    // The translation of a row was changed in the project table.
    void textChanged(std::size_t row);

    // Whether the row's translation or master text holds the needle (a search form).
    // The row must be built.
    bool matches(std::size_t row, std::string_view needle) const
    {
        return entry(row).find(needle) != std::string_view::npos;
    }
    std::string_view entry(std::size_t row) const;

    // Appends to `out` the rows of [first, last) (ascending table rows, all built)
    // whose entry holds the needle, in the same order.
    void matchRows(const ListRow *first, const ListRow *last, std::string_view needle, ListRows &out) const;

    std::size_t bytesHeld() const;

private:
    bool isRebuilt(std::size_t row) const { return row <= m_isRebuilt.size() && m_isRebuilt[row - 1]; }
    std::size_t tokenCount() const;
    void appendEntry(std::size_t row, std::string &out);

    const TokenTable *m_project = nullptr;
    const TokenTable *m_master = nullptr;
    const TextCodec *m_projectCodec = nullptr;
    const TextCodec *m_masterCodec = nullptr;
    std::atomic<std::size_t> m_built{0};
    // Entries of rows 1.., one after the other. Room for the most the entries
    // can take is reserved at the start and never given back: pages the entries
    // do not reach are never touched, so cost nothing, and the entries are never
    // copied to a larger or a smaller buffer.
    std::string m_text;
    std::vector<std::uint64_t> m_start;  // m_start[r - 1]: where row r's entry starts; m_start[n] ends the last
    std::vector<bool> m_isRebuilt;       // by row - 1: the entry was made anew after a change
    std::unordered_map<std::size_t, std::string> m_rebuilt; // those entries, by row
    std::u16string m_scratch;
};
