#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CodePage;

// What the checks and the suggestions see in a token text. Texts come in two
// forms: "escaped", the token file's text decoded to UTF-16 with its escapes
// (\t, \n, \r, \\, \uXXXX) still written out, and "logical", with the escapes
// resolved into the characters they stand for.
namespace checktext {

// The escaped form: the bytes decoded in the code page.
std::u16string Escaped(std::string_view bytes, const CodePage &codePage);
// The logical form of an escaped text.
std::u16string Resolve(std::u16string_view escaped);
// Both steps at once.
std::u16string Logical(std::string_view bytes, const CodePage &codePage);

// Blanks: the space, the no-break spaces and the typographic spaces.
bool IsBlank(char16_t c);
// Letters of the alphabets of the Windows code pages (Latin, Greek, Cyrillic,
// Hebrew, Arabic, Thai, CJK, Hangul and their neighbours).
bool IsLetter(char16_t c);
bool HasLetter(std::u16string_view text);
// Lower case of the letters that have one (Latin, Greek, Cyrillic, fullwidth
// Latin); any other unit is returned as it is.
char16_t FoldCase(char16_t c);
std::u16string FoldCase(std::u16string_view text);

// The access-key markers of a logical text: an "&" followed by a character
// that is not "&" and not a blank. "&&" is a literal ampersand; an "&" before a
// blank or at the end ("Drag & Drop") marks nothing.
struct AccessKeys
{
    static constexpr std::size_t kKept = 8;
    std::size_t count = 0;
    char16_t first = 0;        // the character after the first marker
    char16_t letters[kKept] = {}; // the first marked characters, in order
};
AccessKeys FindAccessKeys(std::u16string_view text);

// The text as shown: markers removed and "&&" shown as one "&".
std::u16string WithoutMarkers(std::u16string_view text);
// The number of characters (a surrogate pair counts once).
std::size_t CharacterCount(std::u16string_view text);

// The shortcut part of a menu text: what follows its last tab.
struct Shortcut
{
    bool present = false;           // the text has a tab
    std::u16string_view label;      // before the last tab (the whole text without one)
    std::u16string_view keys;       // after the last tab
};
Shortcut SplitShortcut(std::u16string_view text);
// The key of a shortcut: what follows its last "+" ("Ctrl++" gives "+"), blanks trimmed.
std::u16string_view ShortcutKey(std::u16string_view keys);
// Whether a key's name is language-neutral: one character, or F1 to F24. Named
// keys (Del, Home, PgUp…) are translated (Suppr, Pos1…).
bool IsNeutralKey(std::u16string_view key);

// The printf-style (%s, %-5.2f, %ls, %I64d; "%%" is a literal) and
// FormatMessage-style (%1, %12!s!) placeholders of a logical text, sorted. The
// space flag ("% d") is only taken with `spaceFlag`, so that prose such as "50%
// done" holds none.
std::vector<std::u16string> Placeholders(std::u16string_view text, bool spaceFlag = false);
// The text with its placeholders left out.
std::u16string WithoutPlaceholders(std::u16string_view text);
// Whether a text is a format string: it holds "%%" or a placeholder.
bool IsFormatString(std::u16string_view text);

// The counts of line feeds, carriage returns and tabs.
struct EscapeCounts
{
    std::size_t lineFeeds = 0;
    std::size_t returns = 0;
    std::size_t tabs = 0;
    bool operator==(const EscapeCounts &o) const
    {
        return lineFeeds == o.lineFeeds && returns == o.returns && tabs == o.tabs;
    }
    bool operator!=(const EscapeCounts &o) const { return !(*this == o); }
};
EscapeCounts CountEscapes(std::u16string_view text);

std::size_t LeadingBlanks(std::u16string_view text);
std::size_t TrailingBlanks(std::u16string_view text);

// The closing mark of a text, trailing blanks ignored.
enum class EndMark
{
    None,
    Period,
    Colon,
    Ellipsis, // "..." or "…"
    Question,
    Exclamation
};
// The mark the text ends with, accepting the forms other scripts use (the
// fullwidth forms, "。", the Arabic and Greek question marks). A translation
// may also end a question with ";", as Greek is typed in its code page.
EndMark EndMarkOf(std::u16string_view text, bool translation = false);
const char *EndMarkText(EndMark mark);

// UTF-8 of a UTF-16 text, for messages.
std::string ToUtf8(std::u16string_view text);

} // namespace checktext
