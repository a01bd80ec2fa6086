#include "mastercodepage.h"

#include "languagecodepage.h"
#include "restokens.h"

#include <fstream>
#include <iterator>

unsigned SourceCodePage(const ResourceFile &file, const SourceLanguage &recorded)
{
    if (recorded.chosen())
        return AnsiCodePage(recorded.primary, recorded.sub);
    const auto groups = LocalisableResources(file);
    if (groups.empty())
        return 1252;
    const std::uint16_t language = ChooseLanguageCopy(groups.front(), {})->language;
    return AnsiCodePage(PrimaryLanguageOf(language), SubLanguageOf(language));
}

unsigned MasterTokenCodePage(const std::string &masterProject)
{
    const auto language = MasterSourceLanguage(masterProject);
    return language ? AnsiCodePage(language->primary, language->sub) : 1252;
}

std::optional<LanguageId> MasterSourceLanguage(const std::string &masterProject, const std::string &folder)
{
    const auto recorded = ReadSourceLanguage(masterProject);
    if (!recorded)
        return std::nullopt;
    if (recorded->chosen())
        return LanguageId{recorded->primary, recorded->sub};
    auto source = ReadAdminMasterProject(masterProject);
    if (!source)
        return std::nullopt;
    if (!folder.empty() && !source->empty() && source->front() != '/')
        source = folder + "/" + *source;
    std::ifstream in(*source, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    try {
        const ResourceFile file = ReadResourceFile(bytes); // the groups point into it
        const auto groups = LocalisableResources(file);
        if (groups.empty())
            return std::nullopt;
        const std::uint16_t language = ChooseLanguageCopy(groups.front(), {})->language;
        return LanguageId{PrimaryLanguageOf(language), SubLanguageOf(language)};
    } catch (const ResourceError &) {
        return std::nullopt;
    }
}
