#pragma once

#include "codepage.h"
#include "tokentable.h"

#include <string>

// Token text escapes: "\\" backslash, "\t" tab, "\r" CR, "\n" LF, "\uXXXX" a
// character the token file's code page cannot store (a UTF-16 unit in hex). Fields
// also escape '|', '=', ']' and '[', and every character whose bytes hold one of
// them (a double-byte character with such a trail byte), so that the byte-based
// line parse finds its separators. Escapes are read and written on characters:
// a trail byte 0x5C of a double-byte character is no backslash.
std::string EscapeText(const std::u16string &text, const CodePage &codePage = CodePage::windows1252());
std::string EscapeField(const std::u16string &text, const CodePage &codePage = CodePage::windows1252());
std::u16string UnescapeText(const std::string &bytes, const CodePage &codePage = CodePage::windows1252());
// The escapes of a text already decoded resolved into the characters they stand
// for, in place; a malformed escape stays as it stands. UnescapeText is the
// decoding followed by this.
void ResolveEscapes(std::u16string &text);

// An escaped text of one code page as the escaped text of another: the same
// characters, stored in the other code page where it can, escaped where not.
// Between equal code pages the bytes are kept as they are, and so is a field of
// plain ASCII without escapes.
std::string TranscodeText(const std::string &bytes, const CodePage &from, const CodePage &to);
std::string TranscodeField(const std::string &bytes, const CodePage &from, const CodePage &to);

// What is wrong with the first malformed escape of an escaped text (a backslash
// followed by anything but "\\", "t", "r", "n", or "u" and four hex digits, or
// a backslash that ends the text), or empty when every escape is well-formed.
// UnescapeText keeps a malformed escape as it stands; what writes resources
// refuses it. Read on characters, as UnescapeText reads.
std::string MalformedEscape(const std::string &bytes, const CodePage &codePage = CodePage::windows1252());

// Rewrites the key cells (columns 1, 2, 3, 4 and 6) of every row from one code
// page to the other, as TranscodeField does, so that the keys of a master token
// file can be matched with those of a project token file in another code page.
// Rows whose key cells are plain ASCII are not touched.
void TranscodeKeyCells(TokenTable &table, const CodePage &from, const CodePage &to);
