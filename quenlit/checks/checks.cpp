#include "checks/checks.h"

#include "checks/checktext.h"
#include "codepage.h"
#include "numbers.h"
#include "spelling/speller.h"
#include "tokenstatus.h"

#include <algorithm>
#include <set>

using namespace checktext;

namespace {

struct CheckInfo
{
    CheckId id;
    const char *name;
    CheckLevel level;
};

const CheckInfo kChecks[kCheckCount] = {
    {CheckId::Accelerator, "accelerator", CheckLevel::Error},
    {CheckId::AcceleratorClash, "accelerator-clash", CheckLevel::Warning},
    {CheckId::Shortcut, "shortcut", CheckLevel::Error},
    {CheckId::Placeholder, "placeholder", CheckLevel::Error},
    {CheckId::Escape, "escape", CheckLevel::Error},
    {CheckId::Whitespace, "whitespace", CheckLevel::Warning},
    {CheckId::Punctuation, "punctuation", CheckLevel::Warning},
    {CheckId::Length, "length", CheckLevel::Warning},
    {CheckId::Unchanged, "unchanged", CheckLevel::Info},
    {CheckId::Spelling, "spelling", CheckLevel::Info},
    {CheckId::Glossary, "glossary", CheckLevel::Warning},
};

std::string quoted(std::u16string_view text)
{
    return '"' + ToUtf8(text) + '"';
}

std::string quotedChar(char16_t c)
{
    return quoted(std::u16string_view(&c, 1));
}

// A text shown in a message, cut after 40 characters.
std::string shortQuoted(std::u16string_view text)
{
    if (text.size() <= 40)
        return quoted(text);
    return '"' + ToUtf8(text.substr(0, 40)) + "...\"";
}

std::string keyList(const AccessKeys &keys)
{
    std::string out;
    for (std::size_t i = 0; i < keys.count && i < AccessKeys::kKept; ++i)
        out += (out.empty() ? "" : ", ") + quotedChar(keys.letters[i]);
    if (keys.count > AccessKeys::kKept)
        out += ", ...";
    return out;
}

std::string joined(const std::vector<std::u16string> &items)
{
    std::string out;
    for (const auto &item : items)
        out += (out.empty() ? "" : " ") + ToUtf8(item);
    return out;
}

std::string count(std::size_t n, const char *one, const char *many)
{
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

void add(std::vector<Finding> *findings, CheckId id, std::string message)
{
    if (findings)
        findings->push_back({id, std::move(message)});
}

bool isCaption(const TokenCheckInput &in)
{
    return in.id3 == "0" && in.id4 == "0";
}

CheckMask accelerator(const AccessKeys &km, const AccessKeys &kt, std::vector<Finding> *findings)
{
    if (km.count == 1 && kt.count != 1) {
        add(findings, CheckId::Accelerator,
            "the original has one access key (" + quotedChar(km.first) + "), the translation " +
                (kt.count == 0 ? std::string("none") : std::to_string(kt.count) + " (" + keyList(kt) + ")"));
        return MaskOf(CheckId::Accelerator);
    }
    if (km.count == 0 && kt.count > 0) {
        add(findings, CheckId::Accelerator,
            "the original has no access key, the translation has " + keyList(kt) +
                " (write \"&&\" for an ampersand)");
        return MaskOf(CheckId::Accelerator);
    }
    return 0;
}

CheckMask shortcut(const Shortcut &sm, const Shortcut &st, std::vector<Finding> *findings)
{
    const std::u16string_view keyM = ShortcutKey(sm.keys);
    if (!sm.present || keyM.empty())
        return 0;
    const std::u16string_view keyT = ShortcutKey(st.keys);
    if (!st.present || keyT.empty()) {
        add(findings, CheckId::Shortcut, "the shortcut " + quoted(sm.keys) + " of the original is missing");
        return MaskOf(CheckId::Shortcut);
    }
    if (IsNeutralKey(keyM) && FoldCase(keyM) != FoldCase(keyT)) {
        add(findings, CheckId::Shortcut,
            "the shortcut key " + quoted(keyT) + " differs from the original's " + quoted(keyM));
        return MaskOf(CheckId::Shortcut);
    }
    return 0;
}

// The items of `a` that `b` lacks, as multisets; both sorted.
std::vector<std::u16string> missingFrom(const std::vector<std::u16string> &a, const std::vector<std::u16string> &b)
{
    std::vector<std::u16string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

CheckMask placeholder(const std::u16string &m, const std::u16string &t, std::vector<Finding> *findings)
{
    if (m.find(u'%') == std::u16string::npos && t.find(u'%') == std::u16string::npos)
        return 0;
    // In a format string a blank after "%" is printf's space flag; in prose it is a blank.
    const bool format = IsFormatString(m);
    const auto pm = Placeholders(m, format);
    const auto pt = Placeholders(t, format);
    if (pm == pt)
        return 0;
    if (findings) {
        const auto missing = missingFrom(pm, pt);
        const auto extra = missingFrom(pt, pm);
        std::string message = "placeholders differ:";
        if (!missing.empty())
            message += " missing " + joined(missing);
        if (!extra.empty())
            message += std::string(missing.empty() ? "" : ";") + " not in the original " + joined(extra);
        add(findings, CheckId::Placeholder, message);
    }
    return MaskOf(CheckId::Placeholder);
}

CheckMask escapes(const std::u16string &m, const std::u16string &t, std::vector<Finding> *findings)
{
    const EscapeCounts cm = CountEscapes(m);
    const EscapeCounts ct = CountEscapes(t);
    if (cm == ct)
        return 0;
    if (findings) {
        std::string message;
        auto one = [&](const char *name, std::size_t a, std::size_t b) {
            if (a != b)
                message += std::string(message.empty() ? "" : "; ") + name + ": " + std::to_string(a) +
                           " in the original, " + std::to_string(b) + " in the translation";
        };
        one("\\n", cm.lineFeeds, ct.lineFeeds);
        one("\\r", cm.returns, ct.returns);
        one("\\t", cm.tabs, ct.tabs);
        add(findings, CheckId::Escape, message);
    }
    return MaskOf(CheckId::Escape);
}

CheckMask whitespace(const std::u16string &m, const std::u16string &t, std::vector<Finding> *findings)
{
    const std::size_t lm = LeadingBlanks(m), lt = LeadingBlanks(t);
    const std::size_t tm = TrailingBlanks(m), tt = TrailingBlanks(t);
    if (lm == lt && tm == tt)
        return 0;
    if (findings) {
        std::string message;
        if (lm != lt)
            message = "leading blanks: " + std::to_string(lm) + " in the original, " + std::to_string(lt) +
                      " in the translation";
        if (tm != tt)
            message += std::string(message.empty() ? "" : "; ") + "trailing blanks: " + std::to_string(tm) +
                       " in the original, " + std::to_string(tt) + " in the translation";
        add(findings, CheckId::Whitespace, message);
    }
    return MaskOf(CheckId::Whitespace);
}

CheckMask punctuation(const Shortcut &sm, const Shortcut &st, std::vector<Finding> *findings)
{
    // The label only: a shortcut is checked on its own.
    const EndMark mark = EndMarkOf(sm.label);
    if (mark == EndMark::None || EndMarkOf(st.label, true) == mark)
        return 0;
    add(findings, CheckId::Punctuation,
        std::string("the original ends with \"") + EndMarkText(mark) + "\", the translation does not");
    return MaskOf(CheckId::Punctuation);
}

CheckMask length(const std::u16string &m, const std::u16string &t, std::vector<Finding> *findings)
{
    const std::size_t lm = CharacterCount(WithoutMarkers(m));
    const std::size_t lt = CharacterCount(WithoutMarkers(t));
    if (lt * 2 <= lm * 3 || lt <= lm + 5)
        return 0;
    add(findings, CheckId::Length,
        "the translation has " + count(lt, "character", "characters") + ", the original " + std::to_string(lm) +
            ": it may be clipped in its control");
    return MaskOf(CheckId::Length);
}

CheckMask unchanged(const std::u16string &m, const std::u16string &t, std::vector<Finding> *findings)
{
    if (m != t || !HasLetter(m.find(u'%') == std::u16string::npos ? m : WithoutPlaceholders(m)))
        return 0;
    add(findings, CheckId::Unchanged, "the translation is the original text");
    return MaskOf(CheckId::Unchanged);
}

// The unknown words of a translation (escaped), those of its master aside.
CheckMask spellingOf(const KnownWords &words, std::u16string_view t, std::u16string_view m,
                   std::vector<Finding> *findings)
{
    constexpr std::size_t kShown = 10;
    std::set<std::u16string> seen;
    std::string shown;
    for (const spelling::TextWord &word : spelling::SpellableWords(t, m, words.wordCharacters())) {
        if (seen.count(word.word) || words.isKnown(word.word))
            continue;
        if (!findings)
            return MaskOf(CheckId::Spelling);
        if (seen.size() < kShown)
            shown += (seen.empty() ? "" : ", ") + quoted(word.word);
        seen.insert(word.word);
    }
    if (seen.empty())
        return 0;
    if (seen.size() > kShown)
        shown += " and " + std::to_string(seen.size() - kShown) + " more";
    add(findings, CheckId::Spelling, (seen.size() == 1 ? "unknown word: " : "unknown words: ") + shown);
    return MaskOf(CheckId::Spelling);
}

CheckMask glossaryOf(const TermList &terms, const std::u16string &m, const std::u16string &t,
                   std::vector<Finding> *findings)
{
    std::string missed;
    for (const TermInText &found : terms.termsIn(m, t)) {
        if (found.translated)
            continue;
        if (!findings)
            return MaskOf(CheckId::Glossary);
        std::string translations;
        for (const std::u16string &translation : found.translations)
            translations += (translations.empty() ? "" : ", ") + ToUtf8(translation);
        missed += (missed.empty() ? "" : ", nor of ") + quoted(found.term) + " (" + translations + ")";
    }
    if (missed.empty())
        return 0;
    add(findings, CheckId::Glossary, "the translation holds none of the glossary's translations of " + missed);
    return MaskOf(CheckId::Glossary);
}

const CodePage &orDefault(const CodePage *cp)
{
    return cp ? *cp : CodePage::windows1252();
}

} // namespace

const char *CheckName(CheckId id)
{
    return kChecks[static_cast<int>(id)].name;
}

std::optional<CheckId> CheckFromName(std::string_view name)
{
    for (const CheckInfo &c : kChecks) {
        if (name == c.name)
            return c.id;
    }
    return std::nullopt;
}

CheckLevel LevelOf(CheckId id)
{
    return kChecks[static_cast<int>(id)].level;
}

const char *LevelName(CheckLevel level)
{
    switch (level) {
    case CheckLevel::Error:
        return "error";
    case CheckLevel::Warning:
        return "warning";
    case CheckLevel::Info:
        break;
    }
    return "info";
}

std::optional<CheckLevel> LevelFromName(std::string_view name)
{
    for (CheckLevel level : {CheckLevel::Info, CheckLevel::Warning, CheckLevel::Error}) {
        if (name == LevelName(level))
            return level;
    }
    return std::nullopt;
}

std::string CheckNames(CheckMask mask)
{
    std::string out;
    for (const CheckInfo &c : kChecks) {
        if (mask & MaskOf(c.id))
            out += (out.empty() ? "" : ", ") + std::string(c.name);
    }
    return out;
}

bool IsCheckedStatus(std::int64_t status)
{
    return (status & FlagTranslated) && !(status & FlagReadOnly);
}

CheckMask CheckToken(const TokenCheckInput &in, std::vector<Finding> *findings)
{
    return CheckToken(in, findings, nullptr);
}

CheckMask CheckToken(const TokenCheckInput &in, std::vector<Finding> *findings, TokenAccessKeys *keys)
{
    const std::u16string m = Logical(in.master, orDefault(in.masterCodePage));
    const std::u16string t = Logical(in.translation, orDefault(in.projectCodePage));
    const TokenType type = TokenTypeOf(in.type);
    const Shortcut sm = SplitShortcut(m);
    const Shortcut st = SplitShortcut(t);
    CheckMask mask = 0;
    // Version values carry no access keys: an "&" there is a letter of the text.
    if (type != TokenType::Version) {
        const AccessKeys km = FindAccessKeys(m);
        const AccessKeys kt = FindAccessKeys(t);
        mask |= accelerator(km, kt, findings);
        if (keys && km.count == 1 && kt.count == 1)
            *keys = {FoldCase(kt.first), FoldCase(km.first)};
    }
    mask |= shortcut(sm, st, findings);
    mask |= placeholder(m, t, findings);
    mask |= escapes(m, t, findings);
    mask |= whitespace(m, t, findings);
    mask |= punctuation(sm, st, findings);
    if (type == TokenType::Dialog && !isCaption(in))
        mask |= length(m, t, findings);
    mask |= unchanged(m, t, findings);
    if (in.words)
        mask |= spellingOf(*in.words, Escaped(in.translation, orDefault(in.projectCodePage)),
                         Escaped(in.master, orDefault(in.masterCodePage)), findings);
    if (in.terms)
        mask |= glossaryOf(*in.terms, m, t, findings);
    return mask;
}

void LevelCounts::add(CheckMask mask, int sign)
{
    for (int i = 0; i < kCheckCount; ++i) {
        if (!(mask & (1u << i)))
            continue;
        std::size_t &n = LevelOf(static_cast<CheckId>(i)) == CheckLevel::Error     ? errors
                         : LevelOf(static_cast<CheckId>(i)) == CheckLevel::Warning ? warnings
                                                                                   : infos;
        n = sign > 0 ? n + 1 : n - 1;
    }
}

void ProjectChecks::clear()
{
    const ControlFitMeasure *fit = m_fit;
    const KnownWords *words = m_words;
    const TermList *terms = m_terms;
    *this = ProjectChecks();
    m_fit = fit;
    m_words = words;
    m_terms = terms;
}

void ProjectChecks::reset(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
                          const CodePage &projectCodePage, MenuLevels levels)
{
    clear();
    m_master = master;
    m_project = project;
    m_masterCodePage = &masterCodePage;
    m_projectCodePage = &projectCodePage;
    m_levels = std::move(levels);
    const std::size_t rows = rowCount() + 1;
    m_masks.assign(rows, 0);
    m_letters.assign(rows, TokenAccessKeys{});
    m_group.assign(rows, 0);
    m_groupNames.push_back({}); // group 0: none
}

CheckMask ProjectChecks::checkRow(std::size_t row, std::vector<Finding> *findings, TokenAccessKeys *keys) const
{
    RowCells cells;
    m_project->cells(row, cells.cells, &cells.key);
    return checkRow(row, cells, findings, keys);
}

CheckMask ProjectChecks::checkRow(std::size_t row, const RowCells &read, std::vector<Finding> *findings,
                                  TokenAccessKeys *keys) const
{
    if (keys)
        *keys = {};
    const auto &cells = read.cells;
    if (!IsCheckedStatus(StatusOf(cells[ColStatus])))
        return 0;
    const auto masterRow = m_master->findFirstWithKey(read.key);
    if (!masterRow)
        return 0;
    TokenCheckInput in;
    in.master = m_master->cell(*masterRow, ColText);
    in.translation = cells[ColText];
    in.type = cells[ColType];
    in.id3 = cells[ColId3];
    in.id4 = cells[ColId4];
    in.masterCodePage = m_masterCodePage;
    in.projectCodePage = m_projectCodePage;
    in.words = m_words;
    in.terms = m_terms;
    const std::size_t before = findings ? findings->size() : 0;
    CheckMask mask = CheckToken(in, findings, keys);
    if (!m_fit || TokenTypeOf(in.type) != TokenType::Dialog)
        return mask;
    const std::optional<ControlFit> fit = m_fit->measure(row, Logical(in.translation, *m_projectCodePage));
    if (!fit)
        return mask;
    // The text as drawn in its control decides, not its count of characters.
    constexpr CheckMask length = MaskOf(CheckId::Length);
    mask = static_cast<CheckMask>(mask & ~length);
    if (findings)
        findings->erase(std::remove_if(findings->begin() + static_cast<std::ptrdiff_t>(before), findings->end(),
                                       [](const Finding &f) { return f.id == CheckId::Length; }),
                        findings->end());
    if (fit->fits)
        return mask;
    if (findings) {
        std::string message = fit->width > fit->roomWidth
                                  ? "the translation is " + std::to_string(fit->width) + " pixels wide, its control " +
                                        std::to_string(fit->roomWidth) + ": it is clipped"
                                  : "the translation takes " + std::to_string(fit->height) +
                                        " pixels of height, its control " + std::to_string(fit->roomHeight) +
                                        ": it is clipped";
        const auto at =
            std::find_if(findings->begin() + static_cast<std::ptrdiff_t>(before), findings->end(),
                         [](const Finding &f) { return static_cast<int>(f.id) > static_cast<int>(CheckId::Length); });
        findings->insert(at, Finding{CheckId::Length, std::move(message)});
    }
    return static_cast<CheckMask>(mask | length);
}

std::uint32_t ProjectChecks::groupOf(std::size_t row, const std::string_view (&cells)[TokenColumnCount])
{
    // The rows of one dialog or menu follow each other: most rows are in the group
    // of the row before.
    const TokenType type = TokenTypeOf(cells[ColType]);
    const bool caption = cells[ColId3] == "0" && cells[ColId4] == "0";
    if (row > 1 && m_group[row - 1] && type == TokenType::Dialog && !caption) {
        std::string_view before[TokenColumnCount];
        m_project->cells(row - 1, before);
        if (cells[ColType] == before[ColType] && cells[ColId2] == before[ColId2])
            return m_group[row - 1];
    }
    std::string key;
    std::string kind;
    if (type == TokenType::Dialog) {
        // The caption has no access key.
        if (caption)
            return 0;
        key = "D|";
        key += cells[ColId2];
        kind = "dialog";
    } else if (type == TokenType::Menu) {
        const std::string_view menu = cells[ColId2];
        const auto popup = m_levels.popupOf(menu, cells[ColId3], cells[ColId4]);
        if (!popup)
            return 0;
        key = "M|";
        key += menu;
        key += '|';
        key += std::to_string(*popup);
        kind = "menu";
    } else {
        return 0;
    }
    const auto [it, added] = m_groupIds.emplace(std::move(key), static_cast<std::uint32_t>(m_groupNames.size()));
    if (added)
        m_groupNames.push_back(std::move(kind));
    return it->second;
}

void ProjectChecks::setMask(std::size_t row, CheckMask mask, std::vector<std::size_t> *changed)
{
    if (m_masks[row] == mask)
        return;
    m_counts.add(m_masks[row], -1);
    m_counts.add(mask);
    m_masks[row] = mask;
    if (changed)
        changed->push_back(row);
}

void ProjectChecks::checkRows(std::size_t first, std::size_t last)
{
    if (!m_project)
        return;
    last = std::min(last, rowCount());
    for (std::size_t row = std::max<std::size_t>(first, 1); row <= last; ++row) {
        // Each row's cells are found once for all the checks.
        RowCells cells;
        m_project->cells(row, cells.cells, &cells.key);
        m_group[row] = groupOf(row, cells.cells);
        TokenAccessKeys keys;
        setMask(row, checkRow(row, cells, nullptr, m_group[row] ? &keys : nullptr), nullptr);
        m_letters[row] = keys;
    }
    if (first <= m_checkedUpTo + 1 && last > m_checkedUpTo)
        m_checkedUpTo = last;
}

void ProjectChecks::buildGroups()
{
    const std::size_t groups = m_groupNames.size();
    m_groupStart.assign(groups + 1, 0);
    for (std::size_t row = 1; row < m_group.size(); ++row) {
        if (m_group[row])
            ++m_groupStart[m_group[row] + 1];
    }
    for (std::size_t g = 1; g <= groups; ++g)
        m_groupStart[g] += m_groupStart[g - 1];
    m_groupRows.assign(m_groupStart[groups], 0);
    std::vector<std::uint32_t> next(m_groupStart.begin(), m_groupStart.end() - 1);
    for (std::size_t row = 1; row < m_group.size(); ++row) {
        if (m_group[row])
            m_groupRows[next[m_group[row]]++] = static_cast<std::uint32_t>(row);
    }
}

void ProjectChecks::clashGroup(std::uint32_t group, std::vector<std::size_t> *changed)
{
    const auto begin = m_groupRows.begin() + m_groupStart[group];
    const auto end = m_groupRows.begin() + m_groupStart[group + 1];
    // Members by their translated key, then by their master key.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> keyed; // (translated << 16 | master, row)
    for (auto it = begin; it != end; ++it) {
        const TokenAccessKeys l = m_letters[*it];
        if (l.translated)
            keyed.emplace_back((std::uint32_t(l.translated) << 16) | l.master, *it);
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<bool> clashes(keyed.size(), false);
    for (std::size_t i = 0; i < keyed.size();) {
        std::size_t j = i;
        while (j < keyed.size() && (keyed[j].first >> 16) == (keyed[i].first >> 16))
            ++j;
        // Within one translated key, a clash needs two different master keys.
        if ((keyed[i].first & 0xFFFF) != (keyed[j - 1].first & 0xFFFF))
            std::fill(clashes.begin() + static_cast<long>(i), clashes.begin() + static_cast<long>(j), true);
        i = j;
    }
    for (auto it = begin; it != end; ++it) {
        const std::size_t row = *it;
        setMask(row, static_cast<CheckMask>(m_masks[row] & ~MaskOf(CheckId::AcceleratorClash)), changed);
    }
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (clashes[i]) {
            const std::size_t row = keyed[i].second;
            setMask(row, static_cast<CheckMask>(m_masks[row] | MaskOf(CheckId::AcceleratorClash)), changed);
        }
    }
}

void ProjectChecks::checkClashes(std::vector<std::size_t> *changed)
{
    if (!m_project)
        return;
    buildGroups();
    for (std::uint32_t g = 1; g < m_groupNames.size(); ++g)
        clashGroup(g, changed);
    if (changed) {
        std::sort(changed->begin(), changed->end());
        changed->erase(std::unique(changed->begin(), changed->end()), changed->end());
    }
    m_complete = true;
}

void ProjectChecks::run()
{
    checkRows(1, rowCount());
    checkClashes();
}

std::vector<std::size_t> ProjectChecks::recheck(std::size_t row)
{
    std::vector<std::size_t> changed;
    if (!m_project || row == 0 || row > rowCount() || row > m_checkedUpTo)
        return changed;
    TokenAccessKeys keys;
    const CheckMask clash = m_masks[row] & MaskOf(CheckId::AcceleratorClash);
    setMask(row, static_cast<CheckMask>(checkRow(row, nullptr, m_group[row] ? &keys : nullptr) | clash), &changed);
    m_letters[row] = keys;
    if (m_complete && m_group[row])
        clashGroup(m_group[row], &changed);
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
}

void ProjectChecks::recheckRows(std::size_t first, std::size_t last, std::vector<std::size_t> *changed)
{
    if (!m_project)
        return;
    last = std::min(last, m_checkedUpTo);
    for (std::size_t row = std::max<std::size_t>(first, 1); row <= last; ++row) {
        const CheckMask clash = m_masks[row] & MaskOf(CheckId::AcceleratorClash);
        setMask(row, static_cast<CheckMask>(checkRow(row, nullptr, nullptr) | clash), changed);
    }
}

std::vector<std::size_t> ProjectChecks::clashPartners(std::size_t row) const
{
    std::vector<std::size_t> partners;
    const std::uint32_t group = m_group[row];
    if (!group || !m_complete)
        return partners;
    const TokenAccessKeys mine = m_letters[row];
    for (std::uint32_t i = m_groupStart[group]; i < m_groupStart[group + 1]; ++i) {
        const std::size_t other = m_groupRows[i];
        const TokenAccessKeys l = m_letters[other];
        if (other != row && l.translated == mine.translated && l.master != mine.master)
            partners.push_back(other);
    }
    return partners;
}

std::vector<Finding> ProjectChecks::findings(std::size_t row) const
{
    std::vector<Finding> out;
    if (!m_project || row == 0 || row > rowCount() || row > m_checkedUpTo)
        return out;
    checkRow(row, &out, nullptr);
    if (m_masks[row] & MaskOf(CheckId::AcceleratorClash)) {
        const auto partners = clashPartners(row);
        std::string others;
        for (std::size_t i = 0; i < partners.size() && i < 3; ++i)
            others += (i ? ", " : "") +
                      shortQuoted(Escaped(m_project->cell(partners[i], ColText), *m_projectCodePage));
        if (partners.size() > 3)
            others += " and " + std::to_string(partners.size() - 3) + " more";
        const AccessKeys mine = FindAccessKeys(Logical(m_project->cell(row, ColText), *m_projectCodePage));
        const char16_t key = mine.count ? mine.first : m_letters[row].translated;
        Finding f{CheckId::AcceleratorClash, "the access key " + quotedChar(key) + " is also that of " + others +
                                                 " in the same " + m_groupNames[m_group[row]] +
                                                 ", whose original keys differ"};
        const auto at = std::find_if(out.begin(), out.end(), [](const Finding &x) {
            return static_cast<int>(x.id) > static_cast<int>(CheckId::AcceleratorClash);
        });
        out.insert(at, std::move(f));
    }
    return out;
}
