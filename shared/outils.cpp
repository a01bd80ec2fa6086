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

} // namespace outils
