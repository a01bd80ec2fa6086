#include "checks/suggestions.h"

#include "checks/checktext.h"
#include "codepage.h"
#include "tokenstatus.h"

#include <algorithm>
#include <functional>

using namespace checktext;

namespace {

enum class Ending
{
    None,
    Colon,
    Ellipsis
};

struct EndingAt
{
    Ending kind = Ending::None;
    std::size_t start = 0; // where the mark (and, for a colon, the blanks before it) begins
    std::size_t end = 0;   // where the trailing blanks begin
};

EndingAt endingOf(std::u16string_view t)
{
    EndingAt e;
    e.end = t.size() - TrailingBlanks(t);
    e.start = e.end;
    const std::u16string_view core = t.substr(0, e.end);
    if (core.size() >= 3 && core.substr(core.size() - 3) == u"...") {
        e.kind = Ending::Ellipsis;
        e.start = e.end - 3;
    } else if (!core.empty() && core.back() == 0x2026) {
        e.kind = Ending::Ellipsis;
        e.start = e.end - 1;
    } else if (!core.empty() && (core.back() == u':' || core.back() == 0xFF1A)) {
        e.kind = Ending::Colon;
        e.start = e.end - 1;
        while (e.start > 0 && IsBlank(t[e.start - 1]))
            --e.start; // the French blank before the colon goes with it
    }
    return e;
}

// The length of the escape sequence at t[i] ("\t", "\\", "\u00E9"), or 0.
std::size_t escapeLength(std::u16string_view t, std::size_t i)
{
    if (t[i] != u'\\' || i + 1 >= t.size())
        return 0;
    if (t[i + 1] == u'u' && i + 5 < t.size())
        return 6;
    return 2;
}

bool isMarkerAt(std::u16string_view t, std::size_t i)
{
    if (t[i] != u'&' || i + 1 >= t.size())
        return false;
    const char16_t next = t[i + 1];
    return next != u'&' && !IsBlank(next) && next != u'\\';
}

// The text without its access-key markers; "&&" stays.
std::u16string removeMarkers(std::u16string_view t)
{
    std::u16string out;
    out.reserve(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == u'&' && i + 1 < t.size() && t[i + 1] == u'&') {
            out += u"&&";
            ++i;
        } else if (!isMarkerAt(t, i)) {
            out += t[i];
        }
    }
    return out;
}

// The first place of a letter (any case) in the label, before a "\t" escape;
// escapes and "&&" are skipped.
std::optional<std::size_t> findLetter(std::u16string_view t, char16_t letter)
{
    const char16_t wanted = FoldCase(letter);
    for (std::size_t i = 0; i < t.size();) {
        if (const std::size_t escape = escapeLength(t, i)) {
            if (t[i + 1] == u't')
                break;
            i += escape;
            continue;
        }
        if (t[i] == u'&' && i + 1 < t.size() && t[i + 1] == u'&') {
            i += 2;
            continue;
        }
        if (FoldCase(t[i]) == wanted)
            return i;
        ++i;
    }
    return std::nullopt;
}

std::uint64_t hashBytes(std::string_view bytes)
{
    return std::hash<std::string_view>()(bytes);
}

std::uint64_t hashText(std::u16string_view text)
{
    return std::hash<std::u16string_view>()(text);
}

bool needsWork(std::int64_t status)
{
    return (status & FlagNonTranslated) && !(status & FlagReadOnly);
}

} // namespace

bool IsTranslatedSource(std::int64_t status)
{
    return (status & 7) == FlagTranslated;
}

std::u16string SimilarityKey(std::u16string_view escapedMaster)
{
    std::u16string t = WithoutMarkers(escapedMaster);
    const EndingAt e = endingOf(t);
    t.resize(e.kind == Ending::None ? e.end : e.start);
    t.resize(t.size() - TrailingBlanks(t));
    return FoldCase(t);
}

std::u16string AdaptTranslation(std::u16string_view translation, std::u16string_view theirMaster,
                                std::u16string_view ourMaster)
{
    std::u16string t(translation);
    const AccessKeys ours = FindAccessKeys(ourMaster);
    const AccessKeys theirs = FindAccessKeys(theirMaster);
    if (ours.count == 0) {
        t = removeMarkers(t);
    } else if (theirs.count == 0 || FoldCase(theirs.first) != FoldCase(ours.first)) {
        const std::u16string bare = removeMarkers(t);
        if (const auto at = findLetter(bare, ours.first)) {
            t = bare;
            t.insert(*at, 1, u'&');
        }
    }
    const EndingAt mine = endingOf(ourMaster);
    const EndingAt other = endingOf(theirMaster);
    if (mine.kind != other.kind) {
        const EndingAt e = endingOf(t);
        const std::u16string trailing = t.substr(e.end);
        t.resize(e.kind == other.kind && e.kind != Ending::None ? e.start : e.end);
        t += ourMaster.substr(mine.start, mine.end - mine.start);
        t += trailing;
    }
    return t;
}

void SuggestionIndex::Groups::finish(const MasterRows &masterRows)
{
    // Rows need bits enough that no key is all ones, which marks a row without master.
    const std::size_t rows = keys.empty() ? 0 : keys.size() - 1;
    rowBits = 1;
    while (rowBits < 63 && (std::uint64_t(1) << rowBits) - 1 <= rows)
        ++rowBits;
    const std::uint64_t mask = rowMask();
    constexpr std::uint64_t kNone = ~std::uint64_t(0);
    count = 0;
    for (std::size_t row = 0; row < keys.size(); ++row) {
        const bool indexed = masterRows.get(row) != 0;
        keys[row] = indexed ? (keys[row] & ~mask) | row : kNone;
        count += indexed;
    }
    std::sort(keys.begin(), keys.end());
    directory.assign((std::size_t(1) << 16) + 1, 0);
    std::size_t k = 0;
    for (std::size_t top = 0; top < (std::size_t(1) << 16); ++top) {
        while (k < count && (keys[k] >> 48) < top)
            ++k;
        directory[top] = static_cast<std::uint32_t>(k);
    }
    directory[std::size_t(1) << 16] = static_cast<std::uint32_t>(count);
}

std::pair<const std::uint64_t *, const std::uint64_t *> SuggestionIndex::Groups::group(std::uint64_t hash) const
{
    const std::uint64_t high = hash & ~rowMask();
    const std::uint64_t *begin = keys.data();
    const std::uint64_t *end = begin + count;
    if (!directory.empty()) {
        const std::size_t top = static_cast<std::size_t>(high >> 48);
        end = keys.data() + directory[top + 1];
        begin = keys.data() + directory[top];
    }
    const std::uint64_t *first = std::lower_bound(begin, end, high);
    const std::uint64_t *last = std::upper_bound(first, end, high | rowMask());
    return {first, last};
}

std::uint64_t SuggestionIndex::exactHash(std::string_view masterText) const
{
    return hashBytes(masterText);
}

std::uint64_t SuggestionIndex::similarHash(std::string_view masterText) const
{
    return hashText(SimilarityKey(Escaped(masterText, *m_masterCodePage)));
}

void SuggestionIndex::clear()
{
    *this = SuggestionIndex();
}

void SuggestionIndex::reset(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
                            const CodePage &projectCodePage)
{
    clear();
    m_master = master;
    m_project = project;
    m_masterCodePage = &masterCodePage;
    m_projectCodePage = &projectCodePage;
    const std::size_t rows = rowCount() + 1;
    m_masterRows.reset(rows - 1);
    m_exact.keys.assign(rows, 0);
    m_similar.keys.assign(rows, 0);
}

void SuggestionIndex::indexRows(std::size_t first, std::size_t last)
{
    if (!m_project || m_ready)
        return;
    last = std::min(last, rowCount());
    for (std::size_t row = std::max<std::size_t>(first, 1); row <= last; ++row) {
        const auto masterRow = m_master->findFirstWithKey(*m_project, row);
        if (!masterRow)
            continue;
        m_masterRows.set(row, *masterRow);
        const std::string_view text = m_master->cell(*masterRow, ColText);
        m_exact.keys[row] = exactHash(text);
        m_similar.keys[row] = similarHash(text);
    }
    if (first <= m_indexedUpTo + 1 && last > m_indexedUpTo)
        m_indexedUpTo = last;
}

void SuggestionIndex::finish()
{
    sortGroups();
    setReady();
}

void SuggestionIndex::sortGroups()
{
    if (!m_project || m_ready || m_sorted)
        return;
    m_exact.finish(m_masterRows);
    m_similar.finish(m_masterRows);
    m_sorted = true;
}

void SuggestionIndex::setReady()
{
    if (m_sorted)
        m_ready = true;
}

void SuggestionIndex::build(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
                            const CodePage &projectCodePage)
{
    reset(master, project, masterCodePage, projectCodePage);
    indexRows(1, rowCount());
    finish();
}

std::optional<std::size_t> SuggestionIndex::masterRowOf(std::size_t row) const
{
    const std::size_t masterRow = m_masterRows.get(row);
    if (masterRow == 0)
        return std::nullopt;
    return masterRow;
}

std::vector<Suggestion> SuggestionIndex::suggestionsFor(std::size_t row, std::size_t max) const
{
    std::vector<Suggestion> out;
    const auto masterRow = masterRowOf(row);
    if (!m_ready || !masterRow || max == 0)
        return out;
    const std::string_view ours = m_master->cell(*masterRow, ColText);
    const auto exactGroup = m_exact.group(exactHash(ours));
    // The similar texts' group only when it is needed: its key costs more.
    std::optional<std::pair<const std::uint64_t *, const std::uint64_t *>> similarGroup;
    auto similarRowsOf = [&] {
        if (!similarGroup)
            similarGroup = m_similar.group(similarHash(ours));
        return *similarGroup;
    };
    // A master text no other token shares offers nothing.
    if (exactGroup.second - exactGroup.first < 2) {
        const auto similar = similarRowsOf();
        if (similar.second - similar.first < 2)
            return out;
    }

    struct Tally
    {
        std::string text;
        std::size_t count = 0;
        std::size_t first = 0;
    };
    auto count = [](std::vector<Tally> &tallies, std::string_view text, std::size_t row) {
        for (Tally &t : tallies) {
            if (t.text == text) {
                ++t.count;
                return;
            }
        }
        tallies.push_back({std::string(text), 1, row});
    };
    auto ranked = [](std::vector<Tally> &tallies, bool exact) {
        std::stable_sort(tallies.begin(), tallies.end(), [](const Tally &a, const Tally &b) {
            return a.count != b.count ? a.count > b.count : a.first < b.first;
        });
        std::vector<Suggestion> s;
        for (Tally &t : tallies)
            s.push_back({std::move(t.text), exact, t.count});
        return s;
    };

    std::vector<Tally> exact;
    for (const std::uint64_t *key = exactGroup.first; key != exactGroup.second; ++key) {
        const std::size_t other = m_exact.rowOf(*key);
        if (other == row || !IsTranslatedSource(StatusOf(m_project->cell(other, ColStatus))) ||
            m_master->cell(m_masterRows.get(other), ColText) != ours)
            continue;
        count(exact, m_project->cell(other, ColText), other);
    }

    std::vector<Tally> similar;
    std::u16string ourEscaped, ourKey;
    // The exact ones come first: when they are enough, the similar ones are not looked for.
    const auto similarRows =
        exact.size() >= max ? std::pair<const std::uint64_t *, const std::uint64_t *>() : similarRowsOf();
    for (const std::uint64_t *key = similarRows.first; key != similarRows.second; ++key) {
        const std::size_t other = m_similar.rowOf(*key);
        if (other == row || !IsTranslatedSource(StatusOf(m_project->cell(other, ColStatus))))
            continue;
        const std::string_view theirs = m_master->cell(m_masterRows.get(other), ColText);
        if (theirs == ours)
            continue;
        if (ourEscaped.empty() && !ours.empty()) {
            ourEscaped = Escaped(ours, *m_masterCodePage);
            ourKey = SimilarityKey(ourEscaped);
        }
        const std::u16string theirEscaped = Escaped(theirs, *m_masterCodePage);
        if (SimilarityKey(theirEscaped) != ourKey)
            continue;
        const std::u16string adapted = AdaptTranslation(
            Escaped(m_project->cell(other, ColText), *m_projectCodePage), theirEscaped, ourEscaped);
        if (const auto bytes = m_projectCodePage->encode(adapted))
            count(similar, *bytes, other);
    }

    out = ranked(exact, true);
    for (Suggestion &s : ranked(similar, false)) {
        const bool known = std::any_of(out.begin(), out.end(), [&](const Suggestion &o) { return o.text == s.text; });
        if (!known)
            out.push_back(std::move(s));
    }
    if (out.size() > max)
        out.resize(max);
    return out;
}

std::vector<FillChange> ProposeFill(const SuggestionIndex &index)
{
    std::vector<FillChange> changes;
    const TokenTable *project = index.project();
    if (!project || !index.ready())
        return changes;
    // Tokens with the same master text get the same suggestion: ask once per text.
    std::unordered_map<std::string_view, std::optional<Suggestion>> byMaster;
    for (std::size_t row = 1; row <= project->tokenCount(); ++row) {
        if (!needsWork(StatusOf(project->cell(row, ColStatus))))
            continue;
        const auto masterRow = index.masterRowOf(row);
        if (!masterRow)
            continue;
        const std::string_view masterText = index.master()->cell(*masterRow, ColText);
        auto it = byMaster.find(masterText);
        if (it == byMaster.end()) {
            auto s = index.suggestionsFor(row, 1);
            it = byMaster.emplace(masterText, s.empty() ? std::nullopt : std::optional<Suggestion>(s.front())).first;
        }
        if (it->second)
            changes.push_back({row, it->second->text, it->second->exact});
    }
    return changes;
}
