#include "displaytext.h"

#include "charset.h"
#include "codepage.h"

#include <QByteArray>

namespace {

QString decodeLocal(std::string_view bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

template <typename Decode>
QString shortened(std::string_view bytes, Decode decode)
{
    if (bytes.size() <= kShownValueMax)
        return decode(bytes);
    return decode(bytes.substr(0, kShownValueMax)) +
           QStringLiteral("\u2026 (%1 caract\u00E8res)").arg(static_cast<qulonglong>(bytes.size()));
}

} // namespace

QString DisplayText(std::string_view bytes, unsigned codePage)
{
    return QString::fromStdU16String(CodePage::get(codePage).decode(bytes));
}

QString DisplayFileName(std::string_view bytes)
{
    const QString text = decodeLocal(bytes);
    const QByteArray back = text.toLocal8Bit();
    if (std::string_view(back.constData(), static_cast<std::size_t>(back.size())) == bytes)
        return text;
    return DisplayText(bytes);
}

QString FixedText(std::string_view bytes)
{
    return QString::fromStdU16String(Charset::windows1252().decode(bytes));
}

QString CellText(std::string_view bytes, unsigned codePage)
{
    return shortened(bytes, [codePage](std::string_view b) { return DisplayText(b, codePage); });
}

QString PaneLineText(const PaneText &line)
{
    QString text;
    for (const PaneText::Piece &piece : line.pieces) {
        switch (piece.source) {
        case PaneText::Fixed:
            text += FixedText(piece.bytes);
            break;
        case PaneText::Value:
            text += shortened(piece.bytes, [&line](std::string_view b) { return DisplayText(b, line.codePage); });
            break;
        case PaneText::FileName:
            text += shortened(piece.bytes, [](std::string_view b) { return DisplayFileName(b); });
            break;
        }
    }
    return text;
}
