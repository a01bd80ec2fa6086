#include "qtext.h"

#include "codepage.h"

QString FromTokenBytes(std::string_view bytes)
{
    return FromTokenBytes(bytes, CodePage::windows1252());
}

QString FromTokenBytes(std::string_view bytes, const CodePage &codePage)
{
    return QString::fromStdU16String(codePage.decode(bytes));
}

std::optional<std::string> ToTokenBytes(const QString &text)
{
    return ToTokenBytes(text, CodePage::windows1252());
}

std::optional<std::string> ToTokenBytes(const QString &text, const CodePage &codePage)
{
    return codePage.encode(
        std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()), static_cast<std::size_t>(text.size())));
}

QString UnstorableCharacters(const QString &text, const CodePage &codePage)
{
    return QString::fromStdU16String(codePage.unencodable(
        std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()), static_cast<std::size_t>(text.size()))));
}

QString CodePageName(unsigned number)
{
    const char *script = nullptr;
    switch (number) {
    case 874:
        script = "Thai";
        break;
    case 932:
        script = "Japanese";
        break;
    case 936:
        script = "Simplified Chinese";
        break;
    case 949:
        script = "Korean";
        break;
    case 950:
        script = "Traditional Chinese";
        break;
    case 1250:
        script = "Central European";
        break;
    case 1251:
        script = "Cyrillic";
        break;
    case 1252:
        script = "Western";
        break;
    case 1253:
        script = "Greek";
        break;
    case 1254:
        script = "Turkish";
        break;
    case 1255:
        script = "Hebrew";
        break;
    case 1256:
        script = "Arabic";
        break;
    case 1257:
        script = "Baltic";
        break;
    case 1258:
        script = "Vietnamese";
        break;
    default:
        return QStringLiteral("Windows-%1").arg(number);
    }
    return QStringLiteral("Windows-%1 (%2)").arg(number).arg(QLatin1String(script));
}

QString TokenUpper(const QString &text)
{
    return TokenUpper(text, CodePage::windows1252());
}

QString TokenUpper(const QString &text, const CodePage &codePage)
{
    QString upper = text;
    for (QChar &c : upper) {
        if (c.isSurrogate())
            continue;
        const QChar capital = c.toUpper();
        if (capital == c)
            continue;
        const char16_t both[2] = {c.unicode(), capital.unicode()};
        // Only a letter of the code page becomes a capital of the code page.
        if (codePage.encodeCharacter(std::u16string_view(both, 1), 0) &&
            codePage.encodeCharacter(std::u16string_view(both + 1, 1), 0))
            c = capital;
    }
    return upper;
}

std::string ToPath(const QString &path)
{
    return path.toLocal8Bit().toStdString();
}

QString FromPath(std::string_view path)
{
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

QString ShownText(QString text)
{
    // Their usual names: fonts seldom hold the control pictures, and no Windows
    // file name holds a "<".
    static const char *const kNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "TAB", "LF",
                                           "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                           "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x20)
            shown += QLatin1Char('<') + QLatin1String(kNames[c.unicode()]) + QLatin1Char('>');
        else if (CodePage::isStandIn(c.unicode()))
            shown += QChar(c.unicode() - 0xDC00);
        else
            shown += c;
    }
    return shown;
}

QString DisplayFileName(std::string_view bytes)
{
    const QString text = FromPath(bytes);
    const std::string back = ToPath(text);
    return ShownText(back == bytes ? text : FromTokenBytes(bytes));
}
