#include "projectwriter.h"

#include <algorithm>

std::string LanguageProjectText(const std::string &masterProject, const std::string &tokenFile,
                                const std::string &sourceFile, const std::string &langId,
                                const std::string &subLangId, const std::string &targetFile)
{
    return masterProject + "\r\n" + tokenFile + "\r\n" + sourceFile + "\r\n\r\n\r\nLANGUAGE " + langId + " " +
           subLangId + "\r\n" + targetFile + "\r\n";
}

std::string MasterProjectText(const std::string &sourceFile, const std::string &masterTokenFile,
                              const std::vector<std::string> &laterLines)
{
    std::string text = sourceFile + "\r\n" + masterTokenFile + "\r\n";
    for (const std::string &line : laterLines)
        text += line + "\r\n";
    return text;
}

std::string LineProblem(const std::string &value)
{
    if (value.find_first_of("\r\n") != std::string::npos)
        return "a line end cannot stand in a project file line";
    if (std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return "a control character (a tab, an escape...) cannot be passed to rlman";
    if (value.find('"') != std::string::npos)
        return "a double quote cannot be passed to rlman";
    return {};
}
