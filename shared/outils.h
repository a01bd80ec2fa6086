#pragma once

#include <string>
#include <string_view>

// Path splitting and window centring shared by both programs. Separators are
// ':', '/' and '\', each matched exactly, wherever it stands.
namespace outils {

// Folder part of a path, its final separator included; the whole path when it
// holds no separator.
std::string ExtractPath(std::string_view path);

// The part behind the last separator; the whole path when it holds none.
std::string ExtractFileName(std::string_view path);

struct Position
{
    float left = 0;
    float top = 0;
};

// Left and top that centre a window on the screen. No clamping: a window larger
// than the screen gets a negative position.
Position CenterForm(float screenWidth, float screenHeight, float windowWidth, float windowHeight);

// The program's whole argument text as the system gave it (bytes, not decoded):
// the arguments after the program's name joined with single blanks.
std::string CommandLineArgument(int argc, const char *const argv[]);

// A relative path made absolute against the current folder, so that it still
// names the same file after the current folder changes. Absolute and empty
// paths, and any path when the current folder is unknown, come back unchanged.
// Bytes are kept as they are.
std::string ResolveFromCurrentFolder(const std::string &path);

// Whether the file a path names, taken from the folder when relative (from the
// current folder when the folder is empty), lies within that folder's tree once
// links and ".." are followed in the folders it goes through. The file itself
// is not followed when it is a link: a file replaced by a rename is not either.
bool LiesWithinFolder(const std::string &folder, const std::string &path);

} // namespace outils
