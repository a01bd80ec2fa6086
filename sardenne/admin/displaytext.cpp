#include "displaytext.h"

#include "charset.h"
#include "codepage.h"

namespace {

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
    return ShownText(QString::fromStdU16String(CodePage::get(codePage).decode(bytes)));
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
