// PE and .res readers, token extraction and the rewriting of what was read.
#include "reswriter.h"
#include "restokens.h"
#include "tokenio.h"
#include "tokenmerge.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    try {
        const ResourceFile file = ReadResourceFile(bytes);
        const auto tokens = ExtractTokens(file);
        TokenTable project;
        LoadTokens(MasterTokenFile(tokens), project);
        if (project.tokenCount() != tokens.size())
            std::abort();
        // What was read can be written back, and reads again to the same tokens.
        const std::string written = WriteLocalisedFile(bytes, project, MakeLangId(12, 1)).bytes;
        const auto again = ExtractTokens(ReadResourceFile(std::vector<std::uint8_t>(written.begin(), written.end())),
                                         {MakeLangId(12, 1)});
        if (again.size() != tokens.size())
            std::abort();
    } catch (const ResourceError &) {
    }
    return 0;
}
