#include "tokentext.h"

#include "qtext.h"

QString UnstorableReason(const QString &text, const QString &original)
{
    for (const QChar c : {QLatin1Char('\n'), QLatin1Char('\r'), QLatin1Char('\t')}) {
        if (text.count(c) > original.count(c))
            return QStringLiteral("A token text cannot hold a line end or a tab.");
    }
    if (!ToTokenBytes(text)) {
        QString bad;
        for (const QChar c : text) {
            if (!ToTokenBytes(QString(c)) && !bad.contains(c))
                bad += c;
        }
        return QStringLiteral("The token file's character set (Windows-1252) cannot store these characters: ") +
               bad + QStringLiteral("\nThe text was not stored.");
    }
    return {};
}
