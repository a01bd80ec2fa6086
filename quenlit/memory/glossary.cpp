#include "memory/glossary.h"

#include "memory/xmlreader.h"

#include "languagetag.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <map>
#include <set>

namespace memory {

namespace {

std::u16string utf16(const std::string &text)
{
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    return std::u16string(reinterpret_cast<const char16_t *>(unicode.getBuffer()),
                          static_cast<std::size_t>(unicode.length()));
}

struct Word
{
    std::u16string folded;
    std::size_t begin = 0, end = 0; // in the text, "&" markers included
};

bool isWordCharacter(UChar32 c)
{
    const int8_t type = u_charType(c);
    return u_isalnum(c) || type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK;
}

// The words of a text, folded, access-key markers inside them left out.
std::vector<Word> wordsOf(std::u16string_view text)
{
    std::vector<Word> words;
    Word word;
    bool inWord = false;
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        const int32_t at = i;
        UChar32 c;
        U16_NEXT(text.data(), i, length, c);
        if (c == u'&' && !(i < length && text[static_cast<std::size_t>(i)] == u'&'))
            continue; // a marker, wherever it stands
        if (c == u'&')
            ++i; // "&&" is an ampersand
        if (isWordCharacter(c)) {
            if (!inWord) {
                word = Word{};
                word.begin = static_cast<std::size_t>(at);
                inWord = true;
            }
            const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
            if (U_IS_BMP(folded)) {
                word.folded.push_back(static_cast<char16_t>(folded));
            } else {
                word.folded.push_back(U16_LEAD(folded));
                word.folded.push_back(U16_TRAIL(folded));
            }
            word.end = static_cast<std::size_t>(i);
        } else if (inWord) {
            words.push_back(std::move(word));
            inWord = false;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::vector<std::u16string> foldedWords(std::u16string_view text)
{
    std::vector<std::u16string> out;
    for (Word &word : wordsOf(text))
        out.push_back(std::move(word.folded));
    return out;
}

bool holdsAt(const std::vector<Word> &words, std::size_t at, const std::vector<std::u16string> &term)
{
    if (term.empty() || at + term.size() > words.size())
        return false;
    for (std::size_t k = 0; k < term.size(); ++k) {
        if (words[at + k].folded != term[k])
            return false;
    }
    return true;
}

bool holds(const std::vector<Word> &words, const std::vector<std::u16string> &term)
{
    for (std::size_t at = 0; at < words.size(); ++at) {
        if (holdsAt(words, at, term))
            return true;
    }
    return false;
}

} // namespace

Glossary::Glossary(const std::vector<Term> &terms)
{
    std::map<std::vector<std::u16string>, std::size_t> bySource;
    for (const Term &term : terms) {
        auto words = foldedWords(utf16(term.source));
        if (words.empty())
            continue;
        auto [it, added] = bySource.emplace(words, m_entries.size());
        if (added) {
            Entry entry;
            entry.words = words;
            entry.found.term = utf16(term.source);
            m_entries.push_back(std::move(entry));
            m_byFirstWord[words.front()].push_back(it->second);
        }
        Entry &entry = m_entries[it->second];
        const std::u16string translation = utf16(term.translation);
        if (std::find(entry.found.translations.begin(), entry.found.translations.end(), translation) ==
            entry.found.translations.end()) {
            entry.found.translations.push_back(translation);
            entry.translationWords.push_back(foldedWords(translation));
        }
        if (!term.note.empty() &&
            std::find(entry.found.notes.begin(), entry.found.notes.end(), term.note) == entry.found.notes.end())
            entry.found.notes.push_back(term.note);
    }
    // The longer term first where several start with the same word.
    for (auto &[word, entries] : m_byFirstWord) {
        std::stable_sort(entries.begin(), entries.end(), [&](std::size_t a, std::size_t b) {
            return m_entries[a].words.size() > m_entries[b].words.size();
        });
    }
}

std::vector<TermFound> Glossary::find(std::u16string_view master, std::u16string_view translation) const
{
    std::vector<TermFound> found;
    if (m_entries.empty())
        return found;
    const std::vector<Word> words = wordsOf(master);
    std::vector<Word> translated;
    bool translationRead = false;
    std::set<std::size_t> seen;
    for (std::size_t at = 0; at < words.size(); ++at) {
        const auto candidates = m_byFirstWord.find(words[at].folded);
        if (candidates == m_byFirstWord.end())
            continue;
        for (std::size_t index : candidates->second) {
            const Entry &entry = m_entries[index];
            if (seen.count(index) || !holdsAt(words, at, entry.words))
                continue;
            seen.insert(index);
            if (!translationRead) {
                translated = wordsOf(translation);
                translationRead = true;
            }
            TermFound hit = entry.found;
            hit.begin = words[at].begin;
            hit.end = words[at + entry.words.size() - 1].end;
            hit.translated = std::any_of(entry.translationWords.begin(), entry.translationWords.end(),
                                         [&](const auto &words) { return holds(translated, words); });
            found.push_back(std::move(hit));
        }
    }
    return found;
}

namespace {

class TbxReader : public XmlReader
{
public:
    TbxReader(LanguageId target, std::vector<Term> &terms) : m_target(target), m_terms(terms) {}

private:
    void start(std::string_view element, const char **attributes) override
    {
        if (m_depth++ == 0) {
            if (element != "martif" && element != "tbx")
                fail("not a TBX file: the document is <" + std::string(element) + ">");
            return;
        }
        if (element == "termEntry" || element == "conceptEntry") {
            m_inEntry = true;
            m_sets.clear();
            m_note.clear();
            m_entryDepth = m_depth;
        } else if ((element == "langSet" || element == "langSec") && m_inEntry) {
            const char *language = attribute(attributes, "xml:lang");
            if (!language)
                language = attribute(attributes, "lang");
            if (!language)
                return fail("<" + std::string(element) + "> without xml:lang");
            m_sets.push_back({language, {}});
        } else if (element == "term" && !m_sets.empty()) {
            m_inTerm = true;
            m_text.clear();
        } else if ((element == "note" || (element == "descrip" && isDefinition(attributes))) && m_inEntry &&
                   m_note.empty()) {
            m_inNote = true;
            m_text.clear();
        }
    }

    static bool isDefinition(const char **attributes)
    {
        const char *type = attribute(attributes, "type");
        return type && std::string_view(type) == "definition";
    }

    void end(std::string_view element) override
    {
        --m_depth;
        if (m_inTerm && element == "term") {
            m_inTerm = false;
            if (!m_text.empty())
                m_sets.back().terms.push_back(m_text);
        } else if (m_inNote && (element == "note" || element == "descrip")) {
            m_inNote = false;
            m_note = m_text;
        } else if (m_inEntry && m_depth + 1 == m_entryDepth) {
            m_inEntry = false;
            entryRead();
        }
    }

    void text(std::string_view characters) override
    {
        if (m_inTerm || m_inNote)
            m_text.append(characters);
    }

    void entryRead()
    {
        for (const LangSet &to : m_sets) {
            const auto targetLanguage = LanguageFromTag(to.language);
            if (!targetLanguage || targetLanguage->primary != m_target.primary)
                continue;
            for (const LangSet &from : m_sets) {
                const auto sourceLanguage = LanguageFromTag(from.language);
                if (&from == &to || !sourceLanguage || sourceLanguage->primary == m_target.primary)
                    continue;
                for (const std::string &source : from.terms) {
                    for (const std::string &translation : to.terms)
                        m_terms.push_back({source, translation, m_note, *sourceLanguage, m_target});
                }
            }
        }
    }

    struct LangSet
    {
        std::string language;
        std::vector<std::string> terms;
    };
    LanguageId m_target;
    std::vector<Term> &m_terms;
    int m_depth = 0, m_entryDepth = 0;
    bool m_inEntry = false, m_inTerm = false, m_inNote = false;
    std::vector<LangSet> m_sets;
    std::string m_text, m_note;
};

} // namespace

std::optional<ReadError> ReadTbx(std::istream &in, const std::string &name, LanguageId target,
                                 std::vector<Term> &terms)
{
    std::vector<Term> read;
    TbxReader reader(target, read);
    if (auto error = reader.parse(in, name))
        return error;
    terms.insert(terms.end(), read.begin(), read.end());
    return std::nullopt;
}

std::optional<ReadError> ReadTermCsv(std::istream &in, const std::string &name, LanguageId source,
                                     LanguageId target, std::vector<Term> &terms)
{
    std::vector<Term> read;
    std::string line;
    std::size_t number = 0;
    char separator = 0;
    while (std::getline(in, line)) {
        const std::size_t first = ++number;
        if (first == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        if (separator == 0)
            separator = line.find('\t') != std::string::npos                                    ? '\t'
                        : line.find(';') != std::string::npos && line.find(',') == std::string::npos ? ';'
                                                                                                    : ',';
        // Fields, a quoted one running on over line ends.
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (std::size_t i = 0;; ++i) {
            if (i == line.size()) {
                if (!quoted)
                    break;
                if (!std::getline(in, line))
                    return ReadError{name, first, "a quoted field that does not end"};
                ++number;
                fields.back() += '\n';
                i = static_cast<std::size_t>(-1);
                continue;
            }
            const char c = line[i];
            if (quoted) {
                if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    fields.back() += '"';
                    ++i;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    fields.back() += c;
                }
            } else if (c == '"' && fields.back().empty()) {
                quoted = true;
            } else if (c == separator) {
                fields.emplace_back();
            } else if (c != '\r' || i + 1 != line.size()) {
                fields.back() += c;
            }
        }
        if (fields.size() == 1 && fields[0].empty())
            continue;
        if (fields.size() < 2 || fields.size() > 3)
            return ReadError{name, first, "a term line has 2 or 3 fields (term, translation, note), not " +
                                              std::to_string(fields.size())};
        if (first == 1) {
            std::string head = fields[0];
            for (char &c : head)
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            if (head == "source" || head == "term" || head == "source term")
                continue;
        }
        if (fields[0].empty() || fields[1].empty())
            return ReadError{name, first, "an empty term or translation"};
        read.push_back({fields[0], fields[1], fields.size() > 2 ? fields[2] : std::string(), source, target});
    }
    if (in.bad())
        return ReadError{name, 0, "read error"};
    terms.insert(terms.end(), read.begin(), read.end());
    return std::nullopt;
}

} // namespace memory
