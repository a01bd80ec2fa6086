#include "window/tokentext.h"

#include "codepage.h"
#include "qtext.h"

#include <QLocale>

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

QString ShownText(std::string_view bytes, const CodePage &codePage)
{
    if (bytes.size() <= kLongestShownBytes)
        return FromTokenBytes(bytes, codePage);
    // Two bytes a character at most in the code pages of token files.
    QString shown = FromTokenBytes(bytes.substr(0, 2 * kShownCharacters), codePage).left(kShownCharacters);
    return shown + QStringLiteral(" ... [%1 characters; shown up to %2]")
                       .arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(bytes.size())),
                            QLocale(QLocale::English).toString(kShownCharacters));
}

} // namespace quenlit
