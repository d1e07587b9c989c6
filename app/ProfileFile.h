#pragma once
// A Windows-style profile (INI) file, read and written one entry at a time. Everything we
// do not touch (other sections, other entries, comments, line ends) stays byte for byte.
// Values are raw bytes: the caller chooses the encoding (keys.ini holds GBK text).

#include <optional>
#include <string>
#include <string_view>

namespace tessary::app {

// The entry's value, or nothing when the file, the section or the entry is missing or the
// file cannot be read. Section and entry names compare without regard to ASCII case; the
// value loses the blanks around it and one pair of enclosing double quotes.
std::optional<std::string> readProfileString(const std::string& path, std::string_view section, std::string_view key);

// Sets the entry, adding the section at the end of the file and the entry at the end of its
// section when missing. The new file replaces the old one by a rename, so a crash or a full
// disk leaves either the old or the new file, never a broken one. Returns false when nothing
// was written (unreadable file, read-only folder, disk full).
bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

// The text that makes readProfileString return `value` exactly: values with blanks at either
// end, or enclosed in double quotes, are quoted; line breaks cannot live in one line and are
// dropped.
std::string profileValueText(std::string_view value);

}  // namespace tessary::app
