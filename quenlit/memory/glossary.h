#pragma once

#include "memory/unit.h"

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace memory {

// A glossary term found in a master text.
struct TermFound
{
    std::u16string term;                      // the source term as the glossary has it
    std::vector<std::u16string> translations; // the translations it requires
    std::vector<std::string> notes;           // UTF-8, the non-empty ones
    std::size_t begin = 0, end = 0;           // where it stands in the master text (UTF-16 units)
    bool translated = false;                  // the translation holds one of them
};

// The terms of one language pair, ready to be looked for in many texts. Terms
// are matched as whole words, in any case (Unicode's simple case folding),
// with access-key markers ("&") left out of the texts; a term of several
// words matches them with any blanks or punctuation between them. Entries with
// the same source term (in any case) are one term with several translations.
class Glossary
{
public:
    Glossary() = default;
    explicit Glossary(const std::vector<Term> &terms);

    bool empty() const { return m_entries.empty(); }

    // Each term found in `master` once, in the order it first stands there (a
    // longer term before a shorter one at the same place), and whether
    // `translation` holds one of its translations. Texts are as the translator
    // reads them, escapes resolved.
    std::vector<TermFound> find(std::u16string_view master, std::u16string_view translation) const;

private:
    struct Entry
    {
        std::vector<std::u16string> words; // folded
        TermFound found;                   // translations and notes; places unset
        std::vector<std::vector<std::u16string>> translationWords;
    };
    std::vector<Entry> m_entries;
    // Entries by their first folded word.
    std::unordered_map<std::u16string, std::vector<std::size_t>> m_byFirstWord;
};

// Reads a TBX file (ISO 30042: martif or tbx, termEntry/langSet/tig/term or
// conceptEntry/langSec/termSec/term): for each entry, every term of a langSet
// in the target's primary language paired with every term of each other
// langSet, whose language becomes the term's source language. A note of the
// entry (<note>, or <descrip> of type definition) goes with its terms.
std::optional<ReadError> ReadTbx(std::istream &in, const std::string &name, LanguageId target,
                                 std::vector<Term> &terms);

// Reads a term list in CSV (UTF-8, RFC 4180 quoting; ',' ';' or tab between
// fields, the one of the first line): source term, translation and, optionally,
// a note. A first line whose first field is "source", "term" or "source term"
// (any case) is a header. The source language is `source` (0 0: any).
std::optional<ReadError> ReadTermCsv(std::istream &in, const std::string &name, LanguageId source,
                                     LanguageId target, std::vector<Term> &terms);

} // namespace memory
