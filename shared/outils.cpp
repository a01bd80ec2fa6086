#include "outils.h"

#include <filesystem>

namespace outils {

namespace {

std::string_view::size_type lastSeparator(std::string_view path)
{
    return path.find_last_of(":/\\");
}

} // namespace

std::string ExtractPath(std::string_view path)
{
    const auto i = lastSeparator(path);
    if (i == std::string_view::npos)
        return std::string(path);
    return std::string(path.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view path)
{
    const auto i = lastSeparator(path);
    if (i == std::string_view::npos)
        return std::string(path);
    return std::string(path.substr(i + 1));
}

Position CenterForm(float screenWidth, float screenHeight, float windowWidth, float windowHeight)
{
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

std::string CommandLineArgument(int argc, const char *const argv[])
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return text;
}

std::string ResolveFromCurrentFolder(const std::string &path)
{
    if (path.empty())
        return path;
    const std::filesystem::path given(path);
    if (given.is_absolute())
        return path;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    if (ec)
        return path;
    return (folder / given).string();
}

bool LiesWithinFolder(const std::string &folder, const std::string &path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(folder.empty() ? fs::current_path(ec) : fs::path(folder), ec);
    if (ec)
        return false;
    fs::path file(path);
    if (file.is_relative())
        file = base / file;
    file = file.lexically_normal();
    const fs::path name = file.filename();
    const fs::path resolved = name.empty() || name == "." || name == ".."
                                  ? fs::weakly_canonical(file, ec)
                                  : fs::weakly_canonical(file.parent_path(), ec) / name;
    if (ec)
        return false;
    const fs::path relative = resolved.lexically_relative(base);
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace outils
