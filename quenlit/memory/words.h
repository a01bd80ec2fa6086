#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace memory {

// A source text as its words are indexed: access-key markers ("&" before a
// character) left out, so that "Fi&le" is indexed as "File"; "&&" stays one "&".
std::string IndexedWords(std::string_view text);

// The words of a text as the word index finds them, each once, in case-folded
// UTF-8: runs of letters, digits and marks, access-key markers left out.
std::vector<std::string> SearchWords(std::string_view text);

// A word index query for units holding any (`all` false) or all of the words.
std::string WordQuery(const std::vector<std::string> &words, bool all);

} // namespace memory
