#include "tokenrefresh.h"

#include "numbers.h"
#include "textlines.h"
#include "tokenescape.h"
#include "tokenio.h"
#include "tokenkey.h"
#include "tokenline.h"
#include "tokenmerge.h"
#include "tokenstatus.h"

#include <unordered_map>

namespace {

// The cells of a token that the matching compares, as one text each: the key
// as KeyText gives it, the other groups of fields apart by '\x01', a text
// behind a '\0'.
struct TokenPlace
{
    std::string key;        // fields 1, 2, 3, 4 and 6
    std::string item;       // fields 1, 2, 3 and 6: the key but the position
    std::string resource;   // fields 1 and 2
    bool hasItemId = false; // field 3 is not 0
};

TokenPlace placeOf(std::string_view f1, std::string_view f2, std::string_view f3, std::string_view f4,
                   std::string_view f6)
{
    TokenPlace p;
    p.resource.append(f1).append(1, '\x01').append(f2);
    p.item = p.resource;
    p.item.append(1, '\x01').append(f3).append(1, '\x01').append(f6);
    p.key = KeyText(f1, f2, f3, f4, f6);
    p.hasItemId = f3 != "0";
    return p;
}

std::string inResource(const std::string &resource, std::string_view text)
{
    std::string k = resource;
    k += '\0';
    k += text;
    return k;
}

std::string tokenLine(const std::string (&fields)[5], std::string_view status, std::string_view text)
{
    return TokenLine(fields[0], fields[1], fields[2], fields[3], status, fields[4], text);
}

// An old token that a master token may take.
struct OldToken
{
    const TokenTable *table = nullptr;
    std::size_t row = 0;
    TokenPlace place;
    std::optional<std::string> masterText; // the master text it was made for, when known
    bool translated = false;
    bool taken = false;
};

struct Unique
{
    std::size_t count = 0;
    std::size_t index = 0;
};

// The old tokens of one file (the project's, or TOKENFILE.obsolete's), indexed
// for each rule.
struct OldTokens
{
    bool fromObsolete = false;
    std::vector<OldToken> tokens;
    std::unordered_map<std::string, std::size_t> byKey; // the first of each key
    std::unordered_map<std::string, Unique> byItem;
    std::unordered_map<std::string, Unique> byResourceText;
    std::unordered_map<std::string, std::vector<std::size_t>> byText; // translations only

    void reserve(std::size_t n)
    {
        tokens.reserve(n);
        byKey.reserve(n);
        byItem.reserve(n);
        byResourceText.reserve(n);
        byText.reserve(n);
    }

    void add(OldToken t)
    {
        const std::size_t i = tokens.size();
        byKey.emplace(t.place.key, i);
        auto count = [i](Unique &u) {
            if (u.count++ == 0)
                u.index = i;
        };
        count(byItem[t.place.item]);
        if (t.masterText) {
            count(byResourceText[inResource(t.place.resource, *t.masterText)]);
            if (t.translated)
                byText[*t.masterText].push_back(i);
        }
        tokens.push_back(std::move(t));
    }
};

// A master token and what it took.
struct NewToken
{
    std::string fields[5]; // fields 1, 2, 3, 4 and 6 in the project's code page
    TokenPlace place;
    std::string text; // in the project's code page
    std::int64_t readOnly = 0;
    OldTokens *from = nullptr;
    std::size_t index = 0;
    bool changed = false;
};

// Rule 5 takes, for each text, the old translations of that text in turn; where
// they differ, it takes none.
struct TextGroup
{
    std::vector<std::size_t> free;
    std::size_t next = 0;
    bool ambiguous = false;
};

class Matcher
{
public:
    explicit Matcher(std::vector<NewToken> &news) : m_news(news)
    {
        m_newItems.reserve(news.size());
        m_newResourceTexts.reserve(news.size());
        for (const NewToken &n : news) {
            ++m_newItems[n.place.item];
            ++m_newResourceTexts[inResource(n.place.resource, n.text)];
        }
    }

    void pass(int rule, OldTokens &old)
    {
        if (rule == 5)
            groupTexts(old);
        for (NewToken &n : m_news) {
            if (n.from)
                continue;
            bool changed = false;
            const auto found = find(rule, old, n, changed);
            if (!found)
                continue;
            old.tokens[*found].taken = true;
            n.from = &old;
            n.index = *found;
            n.changed = changed;
        }
    }

private:
    static std::size_t count(const std::unordered_map<std::string, std::size_t> &counts, const std::string &key)
    {
        const auto c = counts.find(key);
        return c == counts.end() ? 0 : c->second;
    }

    std::optional<std::size_t> untaken(const OldTokens &old, std::size_t i) const
    {
        return old.tokens[i].taken ? std::nullopt : std::optional<std::size_t>(i);
    }

    std::optional<std::size_t> find(int rule, OldTokens &old, const NewToken &n, bool &changed)
    {
        switch (rule) {
        case 1:
        case 4: {
            const auto k = old.byKey.find(n.place.key);
            if (k == old.byKey.end() || old.tokens[k->second].taken)
                return std::nullopt;
            const OldToken &t = old.tokens[k->second];
            // Without its old master text, a project token keeps its key; an
            // obsolete one is only a guess there.
            const bool same = t.masterText ? *t.masterText == n.text : !old.fromObsolete;
            if (same != (rule == 1))
                return std::nullopt;
            // Where the old text is still in the resource, its item is there (found
            // by no rule, as one of several), and this key's new text is another's.
            if (rule == 4 && t.masterText && count(m_newResourceTexts, inResource(t.place.resource, *t.masterText)))
                return std::nullopt;
            changed = rule == 4;
            return k->second;
        }
        case 2: {
            if (!n.place.hasItemId || count(m_newItems, n.place.item) != 1)
                return std::nullopt;
            const auto u = old.byItem.find(n.place.item);
            if (u == old.byItem.end() || u->second.count != 1)
                return std::nullopt;
            const OldToken &t = old.tokens[u->second.index];
            changed = !(t.masterText && *t.masterText == n.text);
            return untaken(old, u->second.index);
        }
        case 3: {
            const std::string k = inResource(n.place.resource, n.text);
            if (count(m_newResourceTexts, k) != 1)
                return std::nullopt;
            const auto u = old.byResourceText.find(k);
            if (u == old.byResourceText.end() || u->second.count != 1)
                return std::nullopt;
            return untaken(old, u->second.index);
        }
        case 5: {
            const auto g = m_groups.find(n.text);
            if (g == m_groups.end() || g->second.ambiguous || g->second.next == g->second.free.size())
                return std::nullopt;
            changed = true;
            return g->second.free[g->second.next++];
        }
        }
        return std::nullopt;
    }

    // Rule 5 is the last one: the tokens it finds free at the start of its pass
    // are taken by nothing else.
    void groupTexts(const OldTokens &old)
    {
        m_groups.clear();
        for (const auto &[text, list] : old.byText) {
            TextGroup g;
            for (std::size_t i : list) {
                if (!old.tokens[i].taken)
                    g.free.push_back(i);
            }
            if (g.free.empty())
                continue;
            const std::string_view first =
                old.tokens[g.free.front()].table->cell(old.tokens[g.free.front()].row, ColText);
            for (std::size_t i : g.free)
                g.ambiguous = g.ambiguous || old.tokens[i].table->cell(old.tokens[i].row, ColText) != first;
            m_groups.emplace(text, std::move(g));
        }
    }

    std::vector<NewToken> &m_news;
    std::unordered_map<std::string, std::size_t> m_newItems;
    std::unordered_map<std::string, std::size_t> m_newResourceTexts;
    std::unordered_map<std::string, TextGroup> m_groups;
};

// Whether an old token holds a translation: it is marked translated, or its
// text is not empty and differs from the master text it was made for.
bool holdsTranslation(std::string_view status, std::string_view text, const std::optional<std::string> &masterText)
{
    return (StatusOf(status) & FlagTranslated) || (!text.empty() && (!masterText || text != *masterText));
}

} // namespace

ObsoleteTokens ReadObsoleteTokens(std::string bytes)
{
    ObsoleteTokens obsolete;
    std::string lines;
    std::string_view note; // the ';' line before a token line, or empty
    LineSplitter split(bytes);
    std::string_view line;
    while (split.next(line)) {
        if (!line.empty() && line.front() == ';') {
            note = line;
            continue;
        }
        TokenLineLayout layout;
        if (ParseTokenLine(line, layout) == TokenLineStatus::Ok) {
            lines.append(line).append("\r\n");
            obsolete.masterTexts.push_back(note.empty() ? std::nullopt
                                                        : std::optional<std::string>(std::string(note.substr(1))));
            obsolete.entries.insert(std::string(note) + "\n" + std::string(line));
        }
        note = {};
    }
    LoadTokens(std::move(lines), obsolete.tokens);
    return obsolete;
}

RefreshResult RefreshProjectTokens(const TokenTable &master, const TokenTable &project,
                                   const TokenTable &previousMaster, const ObsoleteTokens &obsolete,
                                   const CodePage &masterCodePage, const CodePage &projectCodePage)
{
    auto field = [&](std::string_view f) { return TranscodeField(std::string(f), masterCodePage, projectCodePage); };
    auto text = [&](std::string_view t) { return TranscodeText(std::string(t), masterCodePage, projectCodePage); };
    std::string_view cells[TokenColumnCount];

    // The old master texts by key, in the project's code page.
    std::unordered_map<std::string, std::string> previousTexts;
    previousTexts.reserve(previousMaster.tokenCount());
    for (std::size_t row = 1; row <= previousMaster.tokenCount(); ++row) {
        previousMaster.cells(row, cells);
        previousTexts.emplace(placeOf(field(cells[ColType]), field(cells[ColId2]), field(cells[ColId3]),
                                      field(cells[ColId4]), field(cells[ColId6]))
                                  .key,
                              text(cells[ColText]));
    }

    RefreshResult result;
    OldTokens fromProject;
    fromProject.reserve(project.tokenCount());
    for (std::size_t row = 1; row <= project.tokenCount(); ++row) {
        project.cells(row, cells);
        OldToken t;
        t.table = &project;
        t.row = row;
        t.place = placeOf(cells[ColType], cells[ColId2], cells[ColId3], cells[ColId4], cells[ColId6]);
        if (const auto p = previousTexts.find(t.place.key); p != previousTexts.end())
            t.masterText = p->second;
        t.translated = holdsTranslation(cells[ColStatus], cells[ColText], t.masterText);
        result.translations += t.translated;
        fromProject.add(std::move(t));
    }
    // Of the entries of one key in TOKENFILE.obsolete, the last one written stands.
    OldTokens fromObsolete;
    fromObsolete.fromObsolete = true;
    {
        const TokenTable &table = obsolete.tokens;
        std::unordered_map<std::string, std::size_t> last;
        std::vector<TokenPlace> places(table.tokenCount() + 1);
        for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
            table.cells(row, cells);
            places[row] = placeOf(cells[ColType], cells[ColId2], cells[ColId3], cells[ColId4], cells[ColId6]);
            last[places[row].key] = row;
        }
        for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
            if (last[places[row].key] != row)
                continue;
            OldToken t;
            t.table = &table;
            t.row = row;
            t.place = std::move(places[row]);
            t.masterText = row - 1 < obsolete.masterTexts.size() ? obsolete.masterTexts[row - 1] : std::nullopt;
            t.translated = holdsTranslation(table.cell(row, ColStatus), table.cell(row, ColText), t.masterText);
            fromObsolete.add(std::move(t));
        }
    }

    std::vector<NewToken> news;
    news.reserve(master.tokenCount());
    {
        std::unordered_map<std::string, bool> seen;
        seen.reserve(master.tokenCount());
        for (std::size_t row = 1; row <= master.tokenCount(); ++row) {
            master.cells(row, cells);
            NewToken n;
            int i = 0;
            for (int c : {ColType, ColId2, ColId3, ColId4, ColId6})
                n.fields[i++] = field(cells[c]);
            n.place = placeOf(n.fields[0], n.fields[1], n.fields[2], n.fields[3], n.fields[4]);
            if (!seen.emplace(n.place.key, true).second)
                continue; // a key given twice in the master: its first row stands
            n.text = text(cells[ColText]);
            n.readOnly = StatusOf(cells[ColStatus]) & FlagReadOnly;
            news.push_back(std::move(n));
        }
    }

    Matcher matcher(news);
    for (int rule = 1; rule <= 5; ++rule) {
        matcher.pass(rule, fromProject);
        matcher.pass(rule, fromObsolete);
    }

    RefreshCounts &counts = result.counts;
    std::string &out = result.tokens;
    out.reserve(project.buffer().size() + master.buffer().size() / 4);
    for (const NewToken &n : news) {
        if (!n.from) {
            ++counts.added;
            out += tokenLine(n.fields, IntegerToText(FlagNonTranslated | n.readOnly), n.text);
            continue;
        }
        const OldToken &t = n.from->tokens[n.index];
        const bool sameKey = t.place.key == n.place.key;
        if (n.from->fromObsolete)
            ++counts.recovered;
        else if (sameKey)
            ++counts.kept;
        else
            ++counts.moved;
        t.table->cells(t.row, cells);
        if (n.changed) {
            counts.review += t.translated;
            out += tokenLine(n.fields, IntegerToText(FlagNonTranslated | n.readOnly),
                             t.translated ? cells[ColText] : std::string_view(n.text));
            continue;
        }
        const std::int64_t status = StatusOf(cells[ColStatus]);
        if ((status & FlagReadOnly) != n.readOnly) {
            out +=
                tokenLine(n.fields, IntegerToText((status & ~std::int64_t(FlagReadOnly)) | n.readOnly), cells[ColText]);
        } else if (sameKey && !n.from->fromObsolete) {
            AppendTokenLine(project, t.row, out);
        } else {
            out += tokenLine(n.fields, cells[ColStatus], cells[ColText]);
        }
    }

    for (const OldToken &t : fromProject.tokens) {
        if (t.taken || !t.translated)
            continue;
        ++counts.obsolete;
        std::string entry;
        if (t.masterText)
            entry = ";" + *t.masterText;
        std::string line;
        AppendTokenLine(project, t.row, line);
        if (obsolete.entries.count(entry + "\n" + line.substr(0, line.size() - 2)))
            continue;
        if (t.masterText)
            result.obsolete += entry + "\r\n";
        result.obsolete += line;
    }
    return result;
}

std::string RefreshSummary(const std::string &tokenFile, const RefreshCounts &counts)
{
    auto n = [](std::size_t v) { return std::to_string(v); };
    std::string s = tokenFile + ": " + n(counts.kept) + " kept, " + n(counts.moved) + " moved, ";
    if (counts.recovered)
        s += n(counts.recovered) + " recovered, ";
    s += n(counts.added) + " new, " + n(counts.obsolete) + " obsolete";
    if (counts.obsolete)
        s += " (" + tokenFile + ".obsolete)";
    if (counts.review)
        s += "; " + n(counts.review) + " to review";
    return s;
}
