#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listrows.h"

class TextCodec;
class TokenTable;

struct ReplaceOptions
{
    std::u16string find;    // as typed: "&&" is a literal "&", a "&" before a letter a marker
    std::u16string replace; // inserted as typed
    bool matchCase = false;
    bool wholeWords = false;
};

// One token whose translation a replacement changes.
struct ReplaceChange
{
    std::size_t row = 0;
    std::string before; // the bytes of the translation now
    std::string after;  // the bytes it gets
    std::u16string beforeText;
    std::u16string afterText;
    int count = 0; // occurrences replaced
};

struct ReplacePlan
{
    std::vector<ReplaceChange> changes;
    // Tokens that hold the text but are not changed.
    std::vector<std::size_t> readOnly;    // read-only tokens are never changed
    std::vector<std::size_t> unstorable;  // the new text has characters the code page cannot hold
    std::u16string refusal;               // why nothing can be replaced at all, or empty
    std::size_t occurrences() const
    {
        std::size_t n = 0;
        for (const ReplaceChange &c : changes)
            n += static_cast<std::size_t>(c.count);
        return n;
    }
};

// The changes "Replace all" makes to the translations of the given rows (the
// current list): every occurrence of the find text, compared as shown (access-key
// markers do not break a match; case ignored unless matchCase; only whole words
// when wholeWords). A marker inside a replaced occurrence stays at the same place
// in the replacement unless the replacement has its own. Master texts are never
// touched, read-only tokens (flag 2) never changed, and the bytes around each
// occurrence stay as they are. Nothing is written: the caller shows the plan and
// applies it.
ReplacePlan PlanReplace(const TokenTable &project, const ListRows &rows, const TextCodec &codec,
                        const ReplaceOptions &options);

// The occurrences of the find text in one text and the text after replacing
// them (empty `count` when none): the part of PlanReplace that works on one text.
struct TextReplacement
{
    std::u16string text;
    int count = 0;
    struct Span
    {
        std::size_t begin = 0; // replaced [begin, end), in UTF-16 units of the old text
        std::size_t end = 0;
        std::u16string inserted; // what took its place
    };
    std::vector<Span> spans;
};
TextReplacement ReplaceInText(std::u16string_view text, const ReplaceOptions &options);
