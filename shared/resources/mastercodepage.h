#pragma once

#include "languagecodepage.h"
#include "projectfiles.h"
#include "resources.h"

#include <optional>
#include <string>

// The code page of a master token file: that of the source language, the
// language of the source file's resources that the master tokens are cut from.

// The language recorded in the master project when there is one; else the
// language of the copy the first localisable resource of the file gives its
// tokens from (ChooseLanguageCopy without a preference). 1252 for a file
// without any.
unsigned SourceCodePage(const ResourceFile &file, const SourceLanguage &recorded);

// The same for a master project: its line 3, else its source file, read only
// then. 1252 when neither can be read.
unsigned MasterTokenCodePage(const std::string &masterProject);

// The source language itself, found the same way; nothing when neither line 3
// nor the source file gives one. A relative source file (line 1) is taken from
// `folder` when one is given, else from the current folder.
std::optional<LanguageId> MasterSourceLanguage(const std::string &masterProject, const std::string &folder = {});
