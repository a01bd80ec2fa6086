// Project file readers and the number parse on arbitrary bytes.
#include "numbers.h"
#include "outils.h"
#include "projectfiles.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    {
        std::istringstream in(bytes);
        const auto r = ReadEditorLanguageProject(in);
        if (r.error == ProjectReadError::None && r.lines.size() != 6)
            std::abort();
    }
    {
        std::istringstream in(bytes);
        (void)ReadEditorMasterProject(in);
    }
    {
        std::istringstream in(bytes);
        const auto p = ReadAdminLanguageProject(in);
        if (p.linesRead > 7)
            std::abort();
    }
    {
        std::istringstream in(bytes);
        (void)ReadAdminMasterProject(in);
    }
    const std::string folder = outils::ExtractPath(bytes);
    const std::string file = outils::ExtractFileName(bytes);
    if (folder != bytes && folder + file != bytes)
        std::abort();
    (void)LeadingInteger(bytes);
    return 0;
}
