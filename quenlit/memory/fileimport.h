#pragma once

#include "memory/translationmemory.h"

#include <optional>
#include <string>
#include <vector>

namespace memory {

// What a file does not say itself: the target language of a .po without a
// "Language:" header, or of an .obsolete file no language project names.
struct ImportOptions
{
    std::optional<LanguageId> language;
};

// Imports one file into the memory, as one transaction, by its name: .tmx,
// .po, .prj (its token files and its .obsolete file) or .obsolete (with the
// languages of the .prj beside it that names its token file).
ImportResult ImportFile(TranslationMemory &memory, const std::string &path, const ImportOptions &options = {});

// Reads a term file by its name: .tbx, .csv or .tsv.
std::optional<ReadError> ReadTermFile(const std::string &path, LanguageId source, LanguageId target,
                                      std::vector<Term> &terms);

} // namespace memory
