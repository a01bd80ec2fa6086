#include "memory/words.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace memory {

std::string IndexedWords(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&')
            out.push_back(text[i++]);
        else if (text[i] != '&')
            out.push_back(text[i]);
    }
    return out;
}

namespace {

void addOnce(std::vector<std::string> &words, std::string word)
{
    if (std::find(words.begin(), words.end(), word) == words.end())
        words.push_back(std::move(word));
}

// The common case of an English source: ASCII only, folded by hand.
bool asciiWords(std::string_view text, std::vector<std::string> &words)
{
    std::string word;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            word += c;
        } else if (c >= 'A' && c <= 'Z') {
            word += static_cast<char>(c + 32);
        } else if (!word.empty()) {
            addOnce(words, std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        addOnce(words, std::move(word));
    return true;
}

} // namespace

std::vector<std::string> SearchWords(std::string_view text)
{
    const std::string indexed = IndexedWords(text);
    std::vector<std::string> ascii;
    if (asciiWords(indexed, ascii))
        return ascii;
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(indexed.data(), static_cast<int32_t>(indexed.size())));
    std::vector<std::string> words;
    icu::UnicodeString word;
    auto flush = [&] {
        if (word.isEmpty())
            return;
        std::string utf8;
        word.foldCase().toUTF8String(utf8);
        word.remove();
        addOnce(words, std::move(utf8));
    };
    for (int32_t i = 0; i < unicode.length(); i = unicode.moveIndex32(i, 1)) {
        const UChar32 c = unicode.char32At(i);
        const int8_t type = u_charType(c);
        if (u_isalnum(c) || type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK)
            word.append(c);
        else
            flush();
    }
    flush();
    return words;
}

std::string WordQuery(const std::vector<std::string> &words, bool all)
{
    std::string query;
    for (const std::string &word : words) {
        if (!query.empty())
            query += all ? " AND " : " OR ";
        query += '"' + word + '"'; // a word holds no quote
    }
    return query;
}

} // namespace memory
