#pragma once

#include <QDateTime>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

// Files named by bytes, as the system gives and takes them.

// A file this program created, known by what its name led to, so that it is
// removed only while the name still leads there.
struct CreatedFile
{
    std::string path;
    unsigned long long device = 0;
    unsigned long long inode = 0;
};

// Creates `path` as a new regular file holding `bytes`, never following, opening
// or replacing an existing name of any kind (file, link, FIFO, folder). Returns 0,
// or the system's error number: EEXIST when the name is taken.
int CreateNewFile(const std::string &path, std::string_view bytes, CreatedFile *file);

// Removes a created file while its name still leads to it; true when removed.
bool RemoveCreatedFile(const CreatedFile &file);

// Local date and time of the last change of a file; invalid when unknown.
QDateTime FileModified(const std::string &path);

// The current folder.
std::string CurrentFolderPath();

// The system's text for an error number.
QString SystemErrorText(int error);

// Starts a program without waiting for it and without becoming its parent, its
// name, arguments and folder (the current one when empty) taken as bytes.
// False when it could not be started.
bool StartDetachedProgram(const std::string &program, const std::vector<std::string> &arguments,
                          const std::string &folder);
