#pragma once

#include <string>
#include <string_view>

namespace memory {

// A source text as its words are indexed: access-key markers ("&" before a
// character) left out, so that "Fi&le" is indexed as "File"; "&&" stays one "&".
std::string IndexedWords(std::string_view text);

// The word index query that finds candidates for a fuzzy match of `text`: any
// of its words, each once, quoted; empty when the text has no word.
std::string CandidateQuery(std::string_view text);

} // namespace memory
