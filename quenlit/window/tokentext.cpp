#include "window/tokentext.h"

#include "codepage.h"
#include "qtext.h"

namespace quenlit {

QString UnstorableReason(const QString &text, const QString &original, const CodePage &codePage)
{
    for (const QChar c : {QLatin1Char('\n'), QLatin1Char('\r'), QLatin1Char('\t')}) {
        if (text.count(c) > original.count(c))
            return QStringLiteral("A token text cannot hold a line end or a tab.");
    }
    if (!ToTokenBytes(text, codePage)) {
        return QStringLiteral("The token file's code page, %1, cannot store these characters: %2\n"
                              "The text was not stored.")
            .arg(CodePageName(codePage.number()), UnstorableCharacters(text, codePage));
    }
    return {};
}

} // namespace quenlit
