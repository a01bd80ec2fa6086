#pragma once

#include <string>
#include <string_view>

// The form in which find compares texts: as the user reads them on screen, so
// access-key markers are dropped (a "&" before a character; "&&" is one literal
// "&"), and letters are case-folded (Unicode simple case folding). The form is
// UTF-8; it never holds the bytes 0xFE and 0xFF, which may separate texts.

// Appends the search form of a text read from a token file.
void AppendSearchForm(std::u16string_view text, std::string &out);
std::string SearchForm(std::u16string_view text);

// The search form of what the user typed in a find box. "&&" is a literal "&"
// and a "&" before a letter is a marker, as in token texts (so a text pasted from
// a token finds it); a "&" before a blank or at the end is a literal "&" (so
// "Save & Exit" finds "Save && Exit").
std::string NeedleForm(std::u16string_view typed);

// One code point folded to its simple case-folded form.
char32_t FoldCase(char32_t c);
// Whether a code point belongs to a word (letters, digits, combining marks and "_").
bool IsWordChar(char32_t c);
