// The text of an initialisation file as lines of "[section]" and
// "key=value": finding one value, and changing one value so that every other
// byte of the text stays as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marklift {

// The value of `key` in the first section named `section`, both matched
// without regard to letter case or blanks around them: the text after the
// first '=' without surrounding blanks (spaces, tabs and carriage returns).
// Nothing when the section or the key is missing.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// `text` with `key` set to `value`, the names taken without blanks around
// them: the key's line rewritten as written before the '=' plus "=" and the
// value; or a new line after the last key of the section; or the section
// added at the end of the text after a blank line. New lines end the way the
// text's first line ends (CRLF for a text without line ends). Throws std::invalid_argument for
// names or a value that cannot be written as one line ('=' in a key or '[' at its start, ']' in a
// section, line breaks).
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace marklift
