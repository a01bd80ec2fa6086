#include "outils.h"

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

} // namespace outils
