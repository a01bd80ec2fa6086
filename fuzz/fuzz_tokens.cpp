// Token lines: parsing never fails hard, and what is written back parses to the
// same cells.
#include "store/tokenfile.h"
#include "tokenline.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    TokenTable table;
    LoadTokens(bytes, table);
    const std::string written = FormatTokens(table);
    TokenTable again;
    if (LoadTokens(written, again) != TokenLoadStatus::Ok)
        std::abort();
    if (again.tokenCount() != table.tokenCount())
        std::abort();
    for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
        // Field 6 and the text are cut where the first "]" and "=" stand, so only
        // rows whose cells hold none of the separators survive cell for cell.
        for (int col = 1; col <= 4; ++col) {
            if (table.cell(row, col) != again.cell(row, col) && table.cell(row, ColText).find('=') == std::string::npos)
                std::abort();
        }
        (void)MasterToken(table, again, row);
    }
    if (table.tokenCount() > 0) {
        table.setCell(1, ColText, "edited");
        table.setCell(1, ColStatus, "4");
        if (table.cell(1, ColText) != "edited" || table.cell(1, ColStatus) != "4")
            std::abort();
    }
    return 0;
}
