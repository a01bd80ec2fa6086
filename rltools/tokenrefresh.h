#pragma once

#include "codepage.h"
#include "tokentable.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

// TOKENFILE.obsolete: the translations a refresh found no place for. Each entry
// is a line ';' followed by the master text the translation was made for, then
// the token line as the project token file held it. A token line without its
// ';' line has no known master text; any other line is kept but not read.
struct ObsoleteTokens
{
    TokenTable tokens;                                   // the token lines, in file order
    std::vector<std::optional<std::string>> masterTexts; // that of row r at r - 1
    std::unordered_set<std::string> entries;             // every entry as it stands, so none is written twice
};
ObsoleteTokens ReadObsoleteTokens(std::string bytes);

struct RefreshCounts
{
    std::size_t kept = 0;      // a project token under the same key
    std::size_t moved = 0;     // a project token that had another key
    std::size_t recovered = 0; // an entry of TOKENFILE.obsolete
    std::size_t added = 0;     // a new token: its master text
    std::size_t obsolete = 0;  // translations written to TOKENFILE.obsolete
    std::size_t review = 0;    // translations kept with status 1: their master text changed, or a guess
};

struct RefreshResult
{
    std::string tokens;   // the new project token file
    std::string obsolete; // the entries to append to TOKENFILE.obsolete
    RefreshCounts counts;
    std::size_t translations = 0; // project tokens that held a translation
};

// Brings a project token file up to date from the master tokens, in master order.
// Each master token takes at most one old token (of the project, else of
// TOKENFILE.obsolete), through these rules, one pass over the whole master per
// rule, so that a later rule's guess never takes an earlier rule's match:
//   1. the same key and the same old master text: kept as it was, byte for byte;
//   2. the same type, resource and non-zero item id (field 3, and field 6) where
//      that id is unique in the resource among the old tokens and in the master;
//   3. the same type and resource and the same old master text, unique in both;
//   4. the same key with a changed master text, unless the old text is still in
//      that resource of the master (its item is there, found by no rule);
//   5. the same old master text anywhere, from a token that holds a translation
//      (skipped where the old tokens of that text hold different ones).
// A rule that is ambiguous takes nothing. Found by 2 or 3 with an unchanged master
// text, a token keeps its text and status; else it keeps its translation with
// status 1, or takes the new master text when it held none. The read-only flag
// comes from the master. The old master texts are those of `previousMaster`
// (TOKENFILE.master); a project token without one keeps its key (rule 1 by the
// key alone) and is found elsewhere by rule 2 only. Of the entries of
// TOKENFILE.obsolete, the last one of each key counts; one without its master
// text is found by rules 2 and 4 only.
// The master token files are in `masterCodePage`, the project token file and
// TOKENFILE.obsolete in `projectCodePage`: what comes from the master is written
// in the project's code page (escaped where it cannot hold it), and keys and
// texts are compared there.
RefreshResult RefreshProjectTokens(const TokenTable &master, const TokenTable &project,
                                   const TokenTable &previousMaster, const ObsoleteTokens &obsolete,
                                   const CodePage &masterCodePage = CodePage::windows1252(),
                                   const CodePage &projectCodePage = CodePage::windows1252());

// "fr.tok: 58 kept, 24 moved, 3 new, 2 obsolete (fr.tok.obsolete)", with the
// recovered tokens and those to review where there are any.
std::string RefreshSummary(const std::string &tokenFile, const RefreshCounts &counts);
