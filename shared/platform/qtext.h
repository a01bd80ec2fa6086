#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

class CodePage;

// Token file bytes shown as text, through the code page of the file (Windows-1252
// when none is given). Bytes the code page leaves undefined show as stand-ins
// that ToTokenBytes turns back into the same bytes.
QString FromTokenBytes(std::string_view bytes);
QString FromTokenBytes(std::string_view bytes, const CodePage &codePage);
// The bytes of a text in that code page, or nothing when a character cannot be stored.
std::optional<std::string> ToTokenBytes(const QString &text);
std::optional<std::string> ToTokenBytes(const QString &text, const CodePage &codePage);
// The characters of a text the code page cannot store, each once, in order.
QString UnstorableCharacters(const QString &text, const CodePage &codePage);
// A code page as users know it: "Windows-1251 (Cyrillic)".
QString CodePageName(unsigned number);
// Upper case as the code page defines it: a letter becomes its capital where the
// code page holds that capital; every other character stays as it is.
QString TokenUpper(const QString &text);
QString TokenUpper(const QString &text, const CodePage &codePage);

// Paths and file-system names: the local 8-bit encoding.
std::string ToPath(const QString &path);
QString FromPath(std::string_view path);

// A file-system name or path for the screen: in the system's encoding when its
// bytes are valid there, else in Windows-1252, as Windows shows names copied
// from it; never a replacement character. Shown through ShownText.
QString DisplayFileName(std::string_view bytes);
// Decoded text made fit for one line on the screen: characters below U+0020
// show by their names in angle brackets ("<LF>", "<TAB>"), so that no value
// breaks a line or hides a byte, and the stand-ins of undefined bytes as the
// characters of those byte values, as Windows shows them.
QString ShownText(QString text);

// Bytes shown in an edit box. While the box shows them unedited they are taken
// as they are, so that a name not valid in the system's encoding keeps its
// bytes; an edited text is taken in the system's encoding.
struct ShownBytes
{
    std::string bytes;
    QString shown;

    ShownBytes() = default;
    explicit ShownBytes(std::string value) : bytes(std::move(value)), shown(DisplayFileName(bytes)) {}
    bool shownBy(const QString &text) const { return text == shown; }
    std::string valueOf(const QString &text) const { return shownBy(text) ? bytes : ToPath(text); }
};
