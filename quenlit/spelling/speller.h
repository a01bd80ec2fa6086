#pragma once

#include "codepage.h"
#include "languagecodepage.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Hunspell;

namespace spelling {

// A Hunspell dictionary: its two files and the locale name they are for.
struct Dictionary
{
    std::string aff;
    std::string dic;
    std::string locale; // "fr_FR", as the files are named
};

// Where dictionaries are looked for: the folders of DICPATH (separated by
// ":"), as Hunspell's own programs take them, else /usr/share/hunspell.
std::vector<std::string> DefaultDictionaryFolders();

// The dictionary of a language in the first folder that has one: the files
// named by its locale name (12 1: fr_FR.aff and fr_FR.dic), else by its
// language alone (fr), else the first of the other dictionaries of the
// primary language (fr_BE, fr_CA...). Both files must be there.
std::optional<Dictionary> FindDictionary(LanguageId language, const std::vector<std::string> &folders);

// The Debian package that brings the dictionary of a language: hunspell-fr.
std::string DictionaryPackage(LanguageId language);

// What the user is told when a language has no dictionary: "No spelling
// dictionary for French: install hunspell-fr".
std::string NoDictionaryMessage(LanguageId language);

// The personal word list of a language in a data folder (UserDataFolder()):
// FOLDER/words-fr_FR.txt, one word a line in UTF-8.
std::string PersonalWordListPath(const std::string &dataFolder, LanguageId language);

// A word of a text that the dictionary does not know.
struct Misspelling
{
    std::size_t byteBegin = 0, byteEnd = 0; // in the bytes checked (when bytes were given)
    std::size_t charBegin = 0, charEnd = 0; // UTF-16 units of the decoded text
    std::u16string word;                    // access-key markers left out
    std::vector<std::u16string> suggestions; // when asked for
};

// A word of a text as it is checked: its place (UTF-16 units, access-key
// markers inside it included) and its letters without the markers.
struct TextWord
{
    std::size_t begin = 0, end = 0;
    std::u16string word;
};

// The words of a text that spelling looks at. A word is a run of letters,
// marks and `wordCharacters`, with an apostrophe or hyphen between two
// letters; access-key markers ("&" before a character; "&&" is an ampersand)
// are left out of it. Escapes (\t, \n, \r, \\, \uXXXX) and placeholders (%s,
// %-5.2f, %ls, %I64d, %1, %1!d!; "%%") separate words, and words holding a
// digit, and words of `master` (in any case), are not given.
std::vector<TextWord> SpellableWords(std::u16string_view text, std::u16string_view master = {},
                                     std::u16string_view wordCharacters = {});

// Checks texts against one dictionary and the user's personal word list. The
// calls may come from several threads: they take turns.
class Speller
{
public:
    // Loads the dictionary and the personal word list (which need not exist
    // yet). Nothing, and `failure` set, when the files cannot be read or their
    // encoding has no converter.
    static std::unique_ptr<Speller> open(const Dictionary &dictionary, const std::string &personalWordList,
                                         std::string *failure = nullptr);
    ~Speller();

    const Dictionary &dictionary() const { return m_dictionary; }
    // What joins the letters of a word besides letters (the dictionary's WORDCHARS).
    const std::u16string &wordCharacters() const { return m_wordCharacters; }

    // The unknown words of a token text, as stored: bytes in `codePage`, with
    // the token escapes, beside its master text (decoded).
    std::vector<Misspelling> check(std::string_view bytes, const CodePage &codePage, std::u16string_view master = {},
                                   bool withSuggestions = false);
    // The same for a text already decoded; the byte places are left 0.
    std::vector<Misspelling> check(std::u16string_view text, std::u16string_view master = {},
                                   bool withSuggestions = false);

    bool isCorrect(std::u16string_view word);
    std::vector<std::u16string> suggest(std::u16string_view word);

    // Adds a word to the personal word list (the file and its folder made when
    // missing) and to this speller. The failure, or empty.
    std::string addToPersonal(std::u16string_view word);

private:
    Speller() = default;
    std::optional<std::string> toDictionary(std::u16string_view word);
    std::u16string fromDictionary(const std::string &word);
    bool spell(std::u16string_view word);

    Dictionary m_dictionary;
    std::string m_personal;
    std::unique_ptr<Hunspell> m_hunspell;
    std::string m_encoding; // iconv's name of the dictionary's encoding
    std::u16string m_wordCharacters;
    std::mutex m_mutex;
};

} // namespace spelling
