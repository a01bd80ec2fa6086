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

// Takes the texts of a target file's tokens into the project token file, by key:
// a text that changes becomes translated (status 4); read-only tokens keep theirs,
// and an empty text in the target leaves the token as it is (an empty slot of a
// string block is no translation, and a text never becomes empty here).
// A version token whose string table the localised file names in `language`
// (VersionTableKeyFor) finds its text there.
std::string ImportTokens(const TokenTable &project, const std::vector<ResourceToken> &target,
                         std::optional<std::uint16_t> language = std::nullopt);

// The tokens of a target file that -t takes translations from: every token of
// its copies in `language` (as Windows looks it up: LanguageLookupOrder); of a
// resource it holds in no such copy, the copy the master tokens come from
// (`sourceLanguages`, then as ChooseLanguageCopy goes on), but only the texts that
// differ from the master text of their key in `master` (the master tokens as of
// the last refresh, TOKENFILE.master): a text equal to the source's is no
// translation, and without a master text none is taken. Fields and texts in
// `codePage`; empty texts are kept.
std::vector<ResourceToken> TargetTranslations(const ResourceFile &file, std::uint16_t language,
                                              const std::vector<std::uint16_t> &sourceLanguages,
                                              const CodePage &codePage, const TokenTable &master);

// Loads a token file as LoadTokens does, and gives the number of its first line
// that is not a token (an empty last line does not count), or 0 when every line is.
std::size_t LoadTokensStrictly(std::string bytes, TokenTable &table);
