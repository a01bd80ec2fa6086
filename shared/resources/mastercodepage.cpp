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
    const auto recorded = ReadSourceLanguage(masterProject);
    if (!recorded)
        return 1252;
    if (recorded->chosen())
        return AnsiCodePage(recorded->primary, recorded->sub);
    const auto source = ReadAdminMasterProject(masterProject);
    if (!source)
        return 1252;
    std::ifstream in(*source, std::ios::binary);
    if (!in)
        return 1252;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    try {
        return SourceCodePage(ReadResourceFile(bytes), *recorded);
    } catch (const ResourceError &) {
        return 1252;
    }
}
