#include "qtext.h"

#include "charset.h"

QString FromTokenBytes(std::string_view bytes)
{
    const std::u16string text = Charset::windows1252().decode(bytes);
    return QString::fromStdU16String(text);
}

std::optional<std::string> ToTokenBytes(const QString &text)
{
    return Charset::windows1252().encode(text.toStdU16String());
}

QString TokenUpper(const QString &text)
{
    const auto &charset = Charset::windows1252();
    QString upper = text;
    for (QChar &c : upper) {
        if (auto byte = charset.encodeChar(c.unicode())) {
            const std::string one(1, static_cast<char>(*byte));
            c = QChar(charset.decodeByte(static_cast<unsigned char>(charset.toUpper(one)[0])));
        } else {
            c = c.toUpper();
        }
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
