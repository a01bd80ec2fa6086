#pragma once

#include <QString>

#include <string>

namespace quenlit {

// A match of the translation memory as the pane offers it: the translation as
// the token file would hold it, shown; its score, where it was translated
// ("notepad fr.prj") and, for a fuzzy match, its source text with what differs
// from the token's master text marked ("Open [-a-]{+the+} file").
struct MemoryOffer
{
    QString text;
    std::string bytes; // for the project's token file
    int score = 0;
    QString origin;
    QString differences; // empty for an exact match
};

} // namespace quenlit
