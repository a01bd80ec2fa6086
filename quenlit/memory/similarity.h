#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace memory {

// How alike two texts are, 0 to 100, from the edit distance on characters
// (Unicode code points; case, blanks and "&" count like any character): the
// share of the longer text that stays, 100 * (1 - distance / longer length),
// rounded down. Only the same text scores 100; two empty texts are the same.
int Similarity(std::string_view a, std::string_view b); // UTF-8
int Similarity(const std::u32string &a, const std::u32string &b);

// The highest score two texts of these lengths (in code points) can reach, for
// leaving candidates out before their distance is computed.
int BestPossibleSimilarity(std::size_t lengthA, std::size_t lengthB);

// What differs between a match's source text and the text looked up, for
// showing: pieces of text, each kept (in both), removed (only in the match's
// source) or added (only in the text looked up), in reading order, so that the
// kept and removed pieces make up `from` and the kept and added ones `to`.
// Pieces follow the characters of one shortest edit; next to each other, the
// removed piece comes before the added one.
struct TextPiece
{
    enum Kind
    {
        Kept,
        Removed,
        Added
    };
    Kind kind = Kept;
    std::string text; // UTF-8
};
std::vector<TextPiece> TextDifferences(std::string_view from, std::string_view to);

// UTF-8 to code points and back; an invalid byte stands for U+FFFD.
std::u32string CodePoints(std::string_view utf8);
std::string Utf8(std::u32string_view text);

} // namespace memory
