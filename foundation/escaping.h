#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Text from an album (names, comments, Exif fields) reaches pages and
// terminals; these make it inert there.

// "&", "<", ">", "\"" and "'" as character references: safe in element text
// and in quoted attribute values.
void appendHtmlEscaped(std::string& out, std::string_view text);

// Every byte outside A-Z a-z 0-9 "-._~" as %XX (upper-case hex); with
// keepSlash, "/" stays so that relative paths keep their folders.
void appendUrlEncoded(std::string& out, std::string_view text, bool keepSlash);

// The text with every control byte (C0, DEL, C1 as UTF-8) and every byte
// that is not part of well-formed UTF-8 shown as \xHH, so that nothing a
// file name or comment holds can move the cursor or change a terminal.
std::string terminalSafe(std::string_view text);

}  // namespace quorvane
