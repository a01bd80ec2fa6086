#pragma once

#include "codepage.h"
#include "restokens.h"
#include "tokentable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The master token file of a source file's tokens: status 1, or 3 for the
// tokens that are not for translators.
std::string MasterTokenFile(const std::vector<ResourceToken> &tokens);

// Brings a project token file up to date from the master tokens, in master
// order: a new master token comes with its master text and status 1 (3 when
// read-only); a token gone from the master is dropped; a token whose master
// text changed since the last update (`previousMaster`, the master tokens as of
// then) becomes non-translated and keeps its translation; the others stay as
// they were, byte for byte. The master token files are in `masterCodePage`, the
// project token file in `projectCodePage`: a master text or field that comes
// into the project is written in the project's code page (escaped where that
// cannot hold it), and master tokens are paired with project tokens by their
// key in the project's code page.
std::string MergeProjectTokens(const TokenTable &master, const TokenTable &project, const TokenTable &previousMaster,
                               const CodePage &masterCodePage = CodePage::windows1252(),
                               const CodePage &projectCodePage = CodePage::windows1252());

// Takes the texts of a target file's tokens into the project token file, by key:
// a text that changes becomes translated (status 4); read-only tokens keep theirs.
// A version token whose string table the localised file names in `language`
// (VersionTableKeyFor) finds its text there.
std::string ImportTokens(const TokenTable &project, const std::vector<ResourceToken> &target,
                         std::optional<std::uint16_t> language = std::nullopt);

// The key of a row (fields 1, 2, 3, 4 and 6) as one text.
std::string RowKey(const TokenTable &table, std::size_t row);
