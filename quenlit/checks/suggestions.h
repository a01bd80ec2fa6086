#pragma once

#include "checks/masterrows.h"
#include "tokentable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CodePage;

// A translation offered for a token that needs work, taken from the translated
// tokens of the project that have the same master text.
struct Suggestion
{
    std::string text;       // bytes for the project token file
    bool exact = true;      // same master text; else a similar one
    std::size_t count = 0;  // how many translated tokens give this text
};

// A translated token, a source of suggestions: status 4, as the "Translated" filter has it.
bool IsTranslatedSource(std::int64_t status);

// Master texts "similar" to each other: equal once the access-key markers, a
// trailing ":", "..." or "…" and the case are left out. In escaped form.
std::u16string SimilarityKey(std::u16string_view escapedMaster);

// A translation of a similar master text made to fit this one: the access key
// goes onto the master's key letter where the translation holds that letter
// (when the two masters' keys differ), no key when the master has none, and the
// trailing ":", "..." or "…" follows the master's. All three in escaped form.
std::u16string AdaptTranslation(std::u16string_view translation, std::u16string_view theirMaster,
                                std::u16string_view ourMaster);

// Which project tokens share a master text, exactly or similarly. Reads the
// tables, which must outlive it and keep their keys; the statuses and texts of
// the project are read when suggestions are asked for, so edits need no update.
// Built in ranges of rows, like the checks, then finished.
class SuggestionIndex
{
public:
    void reset(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
               const CodePage &projectCodePage);
    void clear();
    void indexRows(std::size_t first, std::size_t last);
    std::size_t indexedUpTo() const { return m_indexedUpTo; }
    std::size_t rowCount() const { return m_project ? m_project->tokenCount() : 0; }
    void finish();
    // finish() in two parts, for a caller that sorts on another thread while it
    // goes on using the index: sortGroups() writes nothing that ready(),
    // suggestionsFor() or masterRowOf() read while ready() is false; setReady(),
    // on the caller's thread once the sort is over, makes the index usable.
    void sortGroups();
    void setReady();
    bool ready() const { return m_ready; }
    // Everything at once.
    void build(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
               const CodePage &projectCodePage);

    // The distinct texts of the translated tokens whose master text is that of
    // `row`: the exact ones first, then the similar ones; each tier the most
    // frequent first, then in row order. At most `max`.
    std::vector<Suggestion> suggestionsFor(std::size_t row, std::size_t max = 3) const;

    const TokenTable *master() const { return m_master; }
    const TokenTable *project() const { return m_project; }
    // The master row of a project row, as found when the row was indexed.
    std::optional<std::size_t> masterRowOf(std::size_t row) const;

private:
    // Rows grouped by a hash of their master text. Rows whose texts only share the
    // hash (or its high bits) are told apart when suggestions are asked for.
    struct Groups
    {
        // While rows are indexed, the hash of each row's text. Once finished, in
        // the same memory, the rows that have a master, each as the high bits of
        // its hash with the row in the `rowBits` low bits, sorted: a group is a
        // run of equal high bits, its rows in row order.
        std::vector<std::uint64_t> keys;
        std::size_t count = 0; // finished keys
        unsigned rowBits = 0;
        // Where the keys of each value of the top 16 bits begin, so that a group
        // is found among a few keys rather than all of them.
        std::vector<std::uint32_t> directory;
        void finish(const MasterRows &masterRows);
        // The finished keys of the group of a text of this hash.
        std::pair<const std::uint64_t *, const std::uint64_t *> group(std::uint64_t hash) const;
        std::size_t rowOf(std::uint64_t key) const { return static_cast<std::size_t>(key & rowMask()); }
        std::uint64_t rowMask() const { return (std::uint64_t(1) << rowBits) - 1; }
    };
    // The hashes a row's master text is grouped by.
    std::uint64_t exactHash(std::string_view masterText) const;
    std::uint64_t similarHash(std::string_view masterText) const;

    const TokenTable *m_master = nullptr;  // not owned
    const TokenTable *m_project = nullptr; // not owned
    const CodePage *m_masterCodePage = nullptr;
    const CodePage *m_projectCodePage = nullptr;
    MasterRows m_masterRows;
    Groups m_exact;   // equal master texts
    Groups m_similar; // similar master texts
    std::size_t m_indexedUpTo = 0;
    bool m_sorted = false;
    bool m_ready = false;
};

// A change the fill of identical texts proposes.
struct FillChange
{
    std::size_t row = 0;
    std::string text;
    bool exact = true;
    int score = 0; // of a translation memory's match, 0 for a twin
};

// Every token that needs work (flag 1, not read-only) and has a translated twin,
// with the text its first suggestion gives, in row order.
std::vector<FillChange> ProposeFill(const SuggestionIndex &index);
