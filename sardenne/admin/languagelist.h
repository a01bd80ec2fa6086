#pragma once

#include "panetext.h"

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The n-th word of a line, words being separated by single blanks (two blanks
// enclose an empty word); empty when the line has fewer words or n is below 1.
std::string ExtractWord(const std::string &line, long long n);

// One row of the language list, as read from one language project file beside
// the master project. Texts are the bytes read (8-bit).
struct LanguageRow
{
    std::string lang;           // KEY_LANG: token file name without its last four characters
    std::string langId;         // KEY_LANGID: word 2 of line 6
    std::string langSubId;      // KEY_LANGSUBID: word 3 of line 6
    std::string tokenFile;      // KEY_TOKENFILE shown: file name of line 2, upper case
    std::string tokenFileTag;   // hidden: line 2 exactly as read
    std::string tokenFileFound; // the file T in the master folder whose date KEY_MODIF shows; empty when missing
    std::string exeFile;        // KEY_EXEFILE shown: file name of line 7, upper case
    std::string exeFileTag;     // hidden: line 7 exactly as read
    std::string prjFile;        // KEY_PRJFILE: the file name as listed
    unsigned codePage = 1252;   // of the project's language (line 6): the values read and shown
    // What was wrong with this language project, one French line each.
    std::vector<PaneText> problems;
};

// The files of one folder, found by name without regard to letter case. The
// folder is listed once, and the names' capitals made once per code page, so
// that the rows of a folder of thousands of projects are found in one pass.
class FolderFiles
{
public:
    // `folder` ends with its separator (or is empty for the current directory).
    explicit FolderFiles(std::string folder);

    const std::string &folder() const { return m_folder; }
    // The file of that name, its letter case disregarded as the code page
    // defines it, accented letters included (an exact match first, else the
    // first in name order); nothing when there is none.
    std::optional<std::string> findIgnoringCase(const std::string &name, unsigned codePage = 1252) const;

private:
    std::string m_folder;
    std::vector<std::string> m_names; // in byte order
    // Per code page: each name's capitals, and the name's place in m_names.
    mutable std::map<unsigned, std::unordered_multimap<std::string, std::size_t>> m_capitals;
};

// Reads the row of one language project of the folder.
LanguageRow ReadLanguageRow(const FolderFiles &folder, const std::string &prjFile);
LanguageRow ReadLanguageRow(const std::string &folder, const std::string &prjFile);
