#pragma once

#include <optional>
#include <string>
#include <string_view>

// Values of the settings' INI file, in the form Qt's INI format gives them:
// quotes, backslash escapes and comma-separated lists. Bytes of 0x80 and above
// stand for themselves, so a value that is not UTF-8 keeps its bytes.

// The bytes of a stored value: quotes and escapes resolved, the items of a
// list joined by ','. Nothing for a value stored as invalid ("@Invalid()").
std::optional<std::string> UnescapeIniValue(std::string_view stored);

// The stored form of a text value's bytes, read back whole by UnescapeIniValue
// and by Qt's INI format.
std::string EscapeIniValue(std::string_view bytes);
