#include "spelling/speller.h"

#include "languagetag.h"

#include <hunspell.hxx>
#include <iconv.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

namespace spelling {

namespace {

namespace fs = std::filesystem;

bool isFile(const std::string &path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::optional<Dictionary> dictionaryIn(const std::string &folder, const std::string &name)
{
    Dictionary dictionary{folder + "/" + name + ".aff", folder + "/" + name + ".dic", name};
    if (isFile(dictionary.aff) && isFile(dictionary.dic))
        return dictionary;
    return std::nullopt;
}

// Converts between UTF-16 and another encoding; false when a character has no
// place in the other one.
bool convert(const char *to, const char *from, const char *bytes, std::size_t size, std::string &out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.assign(size * 4 + 16, '\0');
    char *in = const_cast<char *>(bytes);
    std::size_t inLeft = size;
    char *outAt = out.data();
    std::size_t outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &outAt, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return ok;
}

// Hunspell's names of encodings, as iconv knows them.
std::string iconvName(const std::string &encoding)
{
    std::string name = encoding;
    if (name.rfind("microsoft-cp", 0) == 0)
        name = "CP" + name.substr(12);
    return name.empty() ? "ISO-8859-1" : name;
}

bool isLetter(UChar32 c)
{
    const int8_t type = u_charType(c);
    return u_isalpha(c) || type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK;
}

// Length of the placeholder at text[i] ('%'), 0 when there is none. "%%" is 2.
std::size_t placeholderLength(std::u16string_view text, std::size_t i)
{
    std::size_t k = i + 1;
    auto at = [&](std::size_t n) -> char16_t { return n < text.size() ? text[n] : u'\0'; };
    auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (at(k) == u'%')
        return 2;
    if (digit(at(k))) { // FormatMessage: %1, %1!d!
        while (digit(at(k)))
            ++k;
        if (at(k) == u'!') {
            const std::size_t close = text.find(u'!', k + 1);
            if (close != std::u16string_view::npos)
                k = close + 1;
        }
        return k - i;
    }
    while (std::u16string_view(u"-+ #0").find(at(k)) != std::u16string_view::npos && at(k) != u'\0')
        ++k;
    while (digit(at(k)) || at(k) == u'*')
        ++k;
    if (at(k) == u'.') {
        ++k;
        while (digit(at(k)) || at(k) == u'*')
            ++k;
    }
    for (std::u16string_view length : {u"I64", u"I32", u"hh", u"ll", u"h", u"l", u"L", u"I", u"z", u"j", u"t", u"w"}) {
        if (text.substr(k, length.size()) == length) {
            k += length.size();
            break;
        }
    }
    return std::u16string_view(u"diouxXeEfFgGaAcCsSpn").find(at(k)) != std::u16string_view::npos && at(k) != u'\0'
               ? k + 1 - i
               : 0;
}

// Length of the escape at text[i] ('\\').
std::size_t escapeLength(std::u16string_view text, std::size_t i)
{
    if (i + 1 >= text.size())
        return 1;
    if (text[i + 1] == u'u' && i + 6 <= text.size())
        return 6;
    return 2;
}

std::u16string folded(std::u16string_view word)
{
    std::u16string out;
    const auto length = static_cast<int32_t>(word.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(word.data(), i, length, c);
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        if (U_IS_BMP(c)) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(U16_LEAD(c));
            out.push_back(U16_TRAIL(c));
        }
    }
    return out;
}

// Every word of a text, master words and words with digits included.
std::vector<TextWord> allWords(std::u16string_view text, std::u16string_view wordCharacters)
{
    std::vector<TextWord> words;
    TextWord word;
    std::vector<std::size_t> ends; // where the word ends after each of its units
    bool inWord = false;
    bool digits = false;
    auto close = [&] {
        // An apostrophe or hyphen only binds letters: one at the end is not part of the word.
        while (!word.word.empty() &&
               (word.word.back() == u'\'' || word.word.back() == u'\u2019' || word.word.back() == u'-')) {
            word.word.pop_back();
            ends.pop_back();
            word.end = ends.empty() ? word.begin : ends.back();
        }
        if (inWord && !word.word.empty() && !digits)
            words.push_back(word);
        inWord = false;
        digits = false;
    };
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const char16_t unit = text[i];
        if (unit == u'\\') {
            close();
            i += escapeLength(text, i);
            continue;
        }
        if (unit == u'%') {
            const std::size_t length = placeholderLength(text, i);
            if (length > 0) {
                close();
                i += length;
                continue;
            }
        }
        if (unit == u'&') {
            if (i + 1 < size && text[i + 1] == u'&') {
                close();
                i += 2;
            } else {
                ++i; // a marker: the word goes on
            }
            continue;
        }
        std::size_t next = i;
        UChar32 c;
        U16_NEXT(text.data(), next, size, c);
        const bool binder = c == u'\'' || c == 0x2019 || c == u'-';
        const bool binding = binder && inWord;
        const bool letter =
            isLetter(c) || (!binder && wordCharacters.find(static_cast<char16_t>(c)) != std::u16string_view::npos);
        const bool digit = u_isdigit(c);
        if (letter || digit || binding) {
            if (!inWord) {
                word = TextWord{};
                word.begin = i;
                ends.clear();
                inWord = true;
            }
            digits = digits || digit;
            word.word.append(text.substr(i, next - i));
            ends.resize(word.word.size(), next);
            word.end = next;
        } else {
            close();
        }
        i = next;
    }
    close();
    return words;
}

} // namespace

std::vector<std::string> DefaultDictionaryFolders()
{
    std::vector<std::string> folders;
    const char *path = std::getenv("DICPATH");
    for (std::string_view rest = path ? path : ""; !rest.empty();) {
        const std::size_t colon = std::min(rest.find(':'), rest.size());
        if (colon)
            folders.emplace_back(rest.substr(0, colon));
        rest.remove_prefix(std::min(colon + 1, rest.size()));
    }
    if (folders.empty())
        folders.push_back("/usr/share/hunspell");
    return folders;
}

std::optional<Dictionary> FindDictionary(LanguageId language, const std::vector<std::string> &folders)
{
    const std::string locale = LocaleName(language);
    const std::string subtag = PrimaryLanguageSubtag(language.primary);
    if (subtag.empty())
        return std::nullopt;
    for (const std::string &folder : folders) {
        if (!locale.empty()) {
            if (auto found = dictionaryIn(folder, locale))
                return found;
        }
        if (auto found = dictionaryIn(folder, subtag))
            return found;
        std::set<std::string> others;
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator(folder, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.size() > subtag.size() + 4 && name.compare(0, subtag.size(), subtag) == 0 &&
                (name[subtag.size()] == '_' || name[subtag.size()] == '-') &&
                name.compare(name.size() - 4, 4, ".dic") == 0)
                others.insert(name.substr(0, name.size() - 4));
        }
        for (const std::string &name : others) {
            if (auto found = dictionaryIn(folder, name))
                return found;
        }
    }
    return std::nullopt;
}

std::string DictionaryPackage(LanguageId language)
{
    return "hunspell-" + PrimaryLanguageSubtag(language.primary);
}

std::string NoDictionaryMessage(LanguageId language)
{
    const std::string name = LanguageName(language.primary);
    return "No spelling dictionary for " + (name.empty() ? LocaleName(language) : name) + ": install " +
           DictionaryPackage(language);
}

std::string PersonalWordListPath(const std::string &dataFolder, LanguageId language)
{
    std::string locale = LocaleName(language);
    if (locale.empty())
        locale = LanguageTag(language);
    return dataFolder + "/words-" + locale + ".txt";
}

std::vector<TextWord> SpellableWords(std::u16string_view text, std::u16string_view master,
                                     std::u16string_view wordCharacters)
{
    std::set<std::u16string> masterWords;
    for (const TextWord &word : allWords(master, wordCharacters))
        masterWords.insert(folded(word.word));
    std::vector<TextWord> words = allWords(text, wordCharacters);
    words.erase(std::remove_if(words.begin(), words.end(),
                               [&](const TextWord &word) { return masterWords.count(folded(word.word)) > 0; }),
                words.end());
    return words;
}

std::unique_ptr<Speller> Speller::open(const Dictionary &dictionary, const std::string &personalWordList,
                                       std::string *failure)
{
    auto fail = [&](const std::string &why) -> std::unique_ptr<Speller> {
        if (failure)
            *failure = why;
        return nullptr;
    };
    if (!isFile(dictionary.aff) || !isFile(dictionary.dic))
        return fail("Can't read the dictionary " + dictionary.dic);
    std::unique_ptr<Speller> speller(new Speller);
    speller->m_dictionary = dictionary;
    speller->m_personal = personalWordList;
    speller->m_hunspell = std::make_unique<Hunspell>(dictionary.aff.c_str(), dictionary.dic.c_str());
    speller->m_encoding = iconvName(speller->m_hunspell->get_dict_encoding());
    std::string probe;
    if (!convert(speller->m_encoding.c_str(), "UTF-16LE", "a\0", 2, probe))
        return fail("The dictionary " + dictionary.dic + " is in " + speller->m_encoding +
                    ", which this system cannot convert");
    speller->m_wordCharacters = speller->fromDictionary(speller->m_hunspell->get_wordchars_cpp());
    // The word list's own characters (apostrophes, digits...) join words; "-" and
    // "." only between letters, as everywhere.
    speller->m_wordCharacters.erase(std::remove_if(speller->m_wordCharacters.begin(),
                                                   speller->m_wordCharacters.end(),
                                                   [](char16_t c) { return c == u'-' || c == u'.' || u_isdigit(c); }),
                                    speller->m_wordCharacters.end());
    std::ifstream in(personalWordList);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::string utf16;
        if (!convert("UTF-16LE", "UTF-8", line.data(), line.size(), utf16))
            continue;
        const std::u16string word(reinterpret_cast<const char16_t *>(utf16.data()), utf16.size() / 2);
        if (const auto encoded = speller->toDictionary(word))
            speller->m_hunspell->add(*encoded);
    }
    return speller;
}

Speller::~Speller() = default;

std::optional<std::string> Speller::toDictionary(std::u16string_view word)
{
    std::string out;
    if (!convert(m_encoding.c_str(), "UTF-16LE", reinterpret_cast<const char *>(word.data()), word.size() * 2, out))
        return std::nullopt;
    return out;
}

std::u16string Speller::fromDictionary(const std::string &word)
{
    std::string out;
    convert("UTF-16LE", m_encoding.c_str(), word.data(), word.size(), out);
    return std::u16string(reinterpret_cast<const char16_t *>(out.data()), out.size() / 2);
}

bool Speller::spell(std::u16string_view word)
{
    const auto encoded = toDictionary(word);
    return encoded && m_hunspell->spell(*encoded);
}

bool Speller::isCorrect(std::u16string_view word)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return spell(word);
}

std::vector<std::u16string> Speller::suggest(std::u16string_view word)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::u16string> out;
    const auto encoded = toDictionary(word);
    if (!encoded)
        return out;
    for (const std::string &suggestion : m_hunspell->suggest(*encoded))
        out.push_back(fromDictionary(suggestion));
    return out;
}

std::vector<Misspelling> Speller::check(std::u16string_view text, std::u16string_view master, bool withSuggestions)
{
    std::vector<Misspelling> out;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (TextWord &word : SpellableWords(text, master, m_wordCharacters)) {
        if (spell(word.word))
            continue;
        Misspelling misspelling;
        misspelling.charBegin = word.begin;
        misspelling.charEnd = word.end;
        misspelling.word = std::move(word.word);
        if (withSuggestions) {
            if (const auto encoded = toDictionary(misspelling.word)) {
                for (const std::string &suggestion : m_hunspell->suggest(*encoded))
                    misspelling.suggestions.push_back(fromDictionary(suggestion));
            }
        }
        out.push_back(std::move(misspelling));
    }
    return out;
}

std::vector<Misspelling> Speller::check(std::string_view bytes, const CodePage &codePage, std::u16string_view master,
                                        bool withSuggestions)
{
    // Decoded character by character, to know where each one's bytes start.
    std::u16string text;
    std::vector<std::size_t> byteOf; // of each UTF-16 unit, and the end
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length =
            codePage.isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        const std::u16string character = codePage.decode(bytes.substr(i, length));
        for (std::size_t k = 0; k < character.size(); ++k)
            byteOf.push_back(i);
        text += character;
        i += length;
    }
    byteOf.push_back(bytes.size());
    std::vector<Misspelling> out = check(text, master, withSuggestions);
    for (Misspelling &misspelling : out) {
        misspelling.byteBegin = byteOf[misspelling.charBegin];
        misspelling.byteEnd = byteOf[misspelling.charEnd];
    }
    return out;
}

std::string Speller::addToPersonal(std::u16string_view word)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string utf8;
    if (!convert("UTF-8", "UTF-16LE", reinterpret_cast<const char *>(word.data()), word.size() * 2, utf8) ||
        utf8.empty() || utf8.find('\n') != std::string::npos)
        return "Not a word: it can't be added to the dictionary";
    std::error_code ec;
    const fs::path folder = fs::path(m_personal).parent_path();
    if (!folder.empty())
        fs::create_directories(folder, ec);
    std::ofstream out(m_personal, std::ios::app);
    out << utf8 << '\n';
    out.flush();
    if (!out)
        return "Can't write the personal word list " + m_personal;
    if (const auto encoded = toDictionary(word))
        m_hunspell->add(*encoded);
    return {};
}

} // namespace spelling
