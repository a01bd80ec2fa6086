#pragma once

#include "checks/menulevels.h"
#include "tokentable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CodePage;

// The checks that compare a project token with its master text: what breaks a
// localised Windows program (a lost access key, two buttons of one dialog with
// the same key, a lost shortcut or placeholder, a text too long for its control).
enum class CheckId : std::uint8_t
{
    Accelerator,
    AcceleratorClash,
    Shortcut,
    Placeholder,
    Escape,
    Whitespace,
    Punctuation,
    Length,
    Unchanged,
    Spelling, // with words to check against: see KnownWords
    Glossary  // with terms to check against: see TermList
};
constexpr int kCheckCount = 11;

enum class CheckLevel : std::uint8_t
{
    Info,
    Warning,
    Error
};

using CheckMask = std::uint16_t;
constexpr CheckMask MaskOf(CheckId id)
{
    return static_cast<CheckMask>(1u << static_cast<unsigned>(id));
}
constexpr CheckMask kAllChecks = static_cast<CheckMask>((1u << kCheckCount) - 1);

// "accelerator", "accelerator-clash", "shortcut", "placeholder", "escape",
// "whitespace", "punctuation", "length", "unchanged", "spelling", "glossary".
const char *CheckName(CheckId id);
std::optional<CheckId> CheckFromName(std::string_view name);
CheckLevel LevelOf(CheckId id);
// "error", "warning", "info".
const char *LevelName(CheckLevel level);
std::optional<CheckLevel> LevelFromName(std::string_view name);
// The ids of a mask, in the order of CheckId, joined by ", ".
std::string CheckNames(CheckMask mask);

struct Finding
{
    CheckId id;
    std::string message; // UTF-8
};

// The words the "spelling" check knows: a dictionary of the project's language
// and the user's own words. Asked from one thread at a time.
class KnownWords
{
public:
    virtual ~KnownWords() = default;
    virtual bool isKnown(std::u16string_view word) const = 0;
    // Characters besides letters that words of the dictionary hold (an apostrophe).
    virtual std::u16string wordCharacters() const { return {}; }
};

// A term of the glossary found in a master text, with the translations it
// requires and whether the translation holds one of them.
struct TermInText
{
    std::u16string term;
    std::vector<std::u16string> translations;
    bool translated = false;
};

// The terms of the project's language pair the "glossary" check looks for.
// Texts are logical (escapes resolved). Asked from one thread at a time.
class TermList
{
public:
    virtual ~TermList() = default;
    virtual std::vector<TermInText> termsIn(std::u16string_view master, std::u16string_view translation) const = 0;
};

// One token as the checks of a single token see it.
struct TokenCheckInput
{
    std::string_view master;      // the master text, bytes of the master token file
    std::string_view translation; // the project text
    std::string_view type;        // field 1
    std::string_view id3;         // field 3
    std::string_view id4;         // field 4
    const CodePage *masterCodePage = nullptr;
    const CodePage *projectCodePage = nullptr;
    const KnownWords *words = nullptr; // none: no "spelling" check
    const TermList *terms = nullptr;   // none: no "glossary" check
};

// The access keys of a token for the clash check, case folded: set when master
// and translation have one each, else both 0.
struct TokenAccessKeys
{
    char16_t translated = 0;
    char16_t master = 0;
};

// Every check of one token but the clash, which needs the token's neighbours.
// With `findings`, their messages are appended to it; with `keys`, the access keys
// are given for the clash.
CheckMask CheckToken(const TokenCheckInput &input, std::vector<Finding> *findings = nullptr);
CheckMask CheckToken(const TokenCheckInput &input, std::vector<Finding> *findings, TokenAccessKeys *keys);

// Whether a project token is checked: translated (flag 4), not read-only.
bool IsCheckedStatus(std::int64_t status);

struct LevelCounts
{
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t infos = 0;
    void add(CheckMask mask, int sign = 1);
    bool operator==(const LevelCounts &o) const
    {
        return errors == o.errors && warnings == o.warnings && infos == o.infos;
    }
};

// How a translation is drawn in its dialog control, where the source file gives
// the control: the width of its widest line and the room's, the height of its
// lines and the room's, in pixels of the dialog's font.
struct ControlFit
{
    bool fits = true;
    int width = 0;
    int roomWidth = 0;
    int height = 0;
    int roomHeight = 0;
};

// Measures a dialog token's translation (logical text) in its control; nothing
// when the token's control is not known.
class ControlFitMeasure
{
public:
    virtual ~ControlFitMeasure() = default;
    virtual std::optional<ControlFit> measure(std::size_t row, std::u16string_view translation) const = 0;
};

// The checks of a whole project. Tokens are checked in ranges, so that a
// window can do the work in slices between events; the access-key clash is
// checked once every token has been. Reads the tables only, which must outlive
// it and keep their keys (texts and statuses may change: recheck those rows).
class ProjectChecks
{
public:
    // Starts over on these tables; nothing is checked yet. Menu items take part in
    // the access-key clash only where `levels` knows their popup: taking a whole
    // menu as one level gives false alarms (most menus reuse letters across popups).
    void reset(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
               const CodePage &projectCodePage, MenuLevels levels = {});
    void clear();
    // Where it measures a token, the "length" check fires when the text does not
    // fit its control, instead of comparing counts of characters. Not owned;
    // kept by reset() and clear(); null for none.
    void setFitMeasure(const ControlFitMeasure *measure) { m_fit = measure; }
    // The words of the "spelling" check and the terms of the "glossary" check;
    // without, those checks do not run. Not owned; kept by reset() and clear().
    // The rows checked already are not checked again: see recheckRows().
    void setKnownWords(const KnownWords *words) { m_words = words; }
    void setTerms(const TermList *terms) { m_terms = terms; }
    const KnownWords *knownWords() const { return m_words; }
    const TermList *terms() const { return m_terms; }

    // Checks every token of rows first..last (inclusive) but for clashes.
    void checkRows(std::size_t first, std::size_t last);
    // The rows checked so far run from 1 to this.
    std::size_t checkedUpTo() const { return m_checkedUpTo; }
    std::size_t rowCount() const { return m_project ? m_project->tokenCount() : 0; }
    // Checks the access-key clashes; every row must have been checked. Adds to
    // `changed` the rows whose result changed, in order.
    void checkClashes(std::vector<std::size_t> *changed = nullptr);
    bool complete() const { return m_complete; }
    // Everything at once.
    void run();

    // After the text or the status of a row changed: checks it again, and its
    // dialog or menu level for clashes. Gives the rows whose result changed.
    std::vector<std::size_t> recheck(std::size_t row);
    // After the known words or the terms changed: checks rows first..last
    // (those checked so far) again, their clashes kept. Adds to `changed` the
    // rows whose result changed, in order.
    void recheckRows(std::size_t first, std::size_t last, std::vector<std::size_t> *changed);

    CheckMask fired(std::size_t row) const { return row < m_masks.size() ? m_masks[row] : 0; }
    // The findings of a row with their messages, in the order of CheckId.
    std::vector<Finding> findings(std::size_t row) const;
    // Findings counted by level over the whole project.
    const LevelCounts &counts() const { return m_counts; }

private:
    struct RowCells
    {
        std::string_view cells[TokenColumnCount];
        TokenKey key;
    };
    CheckMask checkRow(std::size_t row, std::vector<Finding> *findings, TokenAccessKeys *keys) const;
    CheckMask checkRow(std::size_t row, const RowCells &cells, std::vector<Finding> *findings,
                       TokenAccessKeys *keys) const;
    std::uint32_t groupOf(std::size_t row, const std::string_view (&cells)[TokenColumnCount]);
    void buildGroups();
    void clashGroup(std::uint32_t group, std::vector<std::size_t> *changed);
    std::vector<std::size_t> clashPartners(std::size_t row) const;
    void setMask(std::size_t row, CheckMask mask, std::vector<std::size_t> *changed);

    const TokenTable *m_master = nullptr;  // not owned
    const TokenTable *m_project = nullptr; // not owned
    const CodePage *m_masterCodePage = nullptr;
    const CodePage *m_projectCodePage = nullptr;
    MenuLevels m_levels;
    const ControlFitMeasure *m_fit = nullptr; // not owned
    const KnownWords *m_words = nullptr;      // not owned
    const TermList *m_terms = nullptr;        // not owned

    std::vector<CheckMask> m_masks;  // per row; row 0 unused
    std::vector<TokenAccessKeys> m_letters; // per row; 0 where the row takes no part in clashes
    std::vector<std::uint32_t> m_group; // per row: its dialog or menu level, 0 for none
    std::unordered_map<std::string, std::uint32_t> m_groupIds;
    std::vector<std::string> m_groupNames; // "dialog" or "menu", by group
    // The rows of each group: m_groupRows[m_groupStart[g] .. m_groupStart[g + 1]).
    std::vector<std::uint32_t> m_groupStart;
    std::vector<std::uint32_t> m_groupRows;
    std::size_t m_checkedUpTo = 0;
    bool m_complete = false;
    LevelCounts m_counts;
};
