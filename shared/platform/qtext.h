#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Token file bytes shown as text, through the token files' character set.
QString FromTokenBytes(std::string_view bytes);
// The bytes of a text in that character set, or nothing when a character cannot be stored.
std::optional<std::string> ToTokenBytes(const QString &text);
// Upper case as the token files' character set defines it.
QString TokenUpper(const QString &text);

// Paths and file-system names: the local 8-bit encoding.
std::string ToPath(const QString &path);
QString FromPath(std::string_view path);
