#pragma once

#include <string>

// Token text escapes: "\\" backslash, "\t" tab, "\r" CR, "\n" LF, "\uXXXX" a
// character the Windows-1252 code page cannot store. Fields also escape '|',
// '=', ']' and '[' as "\uXXXX".
std::string EscapeText(const std::u16string &text);
std::string EscapeField(const std::u16string &text);
std::u16string UnescapeText(const std::string &bytes);
