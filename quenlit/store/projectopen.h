#pragma once

#include "result.h"
#include "store/savemarker.h"
#include "store/tokenfile.h"
#include "listing/tokencounts.h"
#include "tokentable.h"

#include <optional>
#include <string>

// The four paths of an open project, kept exactly as given or read.
struct ProjectPaths
{
    std::string project;         // as the caller gave it
    std::string masterProject;   // line 1 of the language project
    std::string tokenFile;       // line 2 of the language project; the file saved to
    std::string masterTokenFile; // line 2 of the master project
    std::string sourceFile;      // line 1 of the master project: what the preview draws from
};

enum class ProjectOpenError
{
    None,
    CantOpenProjectFile, // "Can't open project file !"
    CantOpenTokenFile,   // "Can't open token file !"
    ReadError            // "Error while reading token file !"
};

// A language project read from disk: its paths and both token tables. On failure
// the paths read so far are set, `file` names the file that could not be read,
// and the tables hold what was read until then.
struct ProjectData : Result<ProjectOpenError>
{
    ProjectPaths paths;
    std::string languageLine;        // line 6 of the language project
    unsigned projectCodePage = 1252; // of the project token file: the project's language, or the override
    unsigned masterCodePage = 1252;  // of the master token file: the source language
    TokenTable master;  // grdMstBuffer
    TokenTable project; // grdPrjBuffer
    // The types and statuses of `project` as read, made while the master file
    // is still being read.
    TokenSummary projectSummary;
    // An in-place save of the project token file was killed before its end:
    // the token files were not read (the project one may be mixed), and are
    // read once the caller has dealt with it (ReadTokenFiles).
    std::optional<SaveMarker> interruptedSave;
};

// Reads a language project: makes its folder the current directory (a failure
// there is ignored; a relative path is taken from the current folder first), reads the .prj and its .mpj, then the master token file
// (progress 0 to 50) and the project token file (50 to 100). The observer sees
// progress(0) once the project files have been read, before any token file.
// The project token file is in the code page of the language of line 6 unless
// `projectCodePage` says otherwise; the master token file in that of the source
// language. Where the two differ, the master's key cells are moved into the
// project's code page, so that MasterToken pairs the tokens as the merge did.
// When an in-place save of the project token file did not end, no token file is
// read and `interruptedSave` says so.
ProjectData ReadProject(const std::string &path, TokenLoadObserver *observer = nullptr,
                        std::optional<unsigned> projectCodePage = std::nullopt);

// Reads both token files named by the paths of `data` again (relative ones from
// the current folder, the project's while it is open), into its tables: the
// master token file (progress 0 to 50), then the project token file (50 to 100).
// Sets `error` on failure.
void ReadTokenFiles(ProjectData &data, TokenLoadObserver *observer = nullptr);

// Makes the folder of a path the current directory; false when it can't.
bool ChangeToFolderOf(const std::string &path);
