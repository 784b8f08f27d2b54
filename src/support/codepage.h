// Whole-text conversions between Windows-1251 and UTF-8, UTF-8 validation,
// character counting and cutting, and case mapping (ICU).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik {

// Decodes Windows-1251 bytes to UTF-8. Every byte maps; the one unassigned
// byte (0x98) becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view bytes);
// Appends the same UTF-8 to `out`, growing it once.
void AppendCp1251AsUtf8(std::string& out, std::string_view bytes);

// The text itself when it is well-formed UTF-8, otherwise the empty text.
std::string ValidUtf8(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// The lines themselves when every one is well-formed UTF-8, otherwise none: one
// malformed sequence anywhere discards the whole list rather than letting
// garbage through.
std::vector<std::string> ValidUtf8Lines(std::vector<std::string> lines);

// Encodes well-formed UTF-8 in Windows-1251 for files. A character the code
// page cannot hold becomes one "?" (0x3F), so each character stays one byte.
// Malformed UTF-8 gives the empty text.
std::string Utf8ToCp1251(std::string_view utf8);

// True when Utf8ToCp1251 keeps every character of the text: it is well-formed
// UTF-8 and each of its characters is in the code page.
bool Cp1251Holds(std::string_view utf8);

// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(std::string_view utf8);

// The first `max_chars` characters of a UTF-8 text, cut on a character boundary.
std::string Utf8Truncate(std::string_view utf8, std::size_t max_chars);

// The character at byte `i` of a UTF-8 text, advancing `i` past it; an
// ill-formed sequence gives U+FFFD and consumes one byte, so stray bytes never
// break an output's encoding.
char32_t NextCodePoint(std::string_view text, std::size_t& i);

// Appends the UTF-8 encoding of a code point.
void AppendUtf8(std::string& out, char32_t cp);

// Lower-cases the ASCII letters A to Z only.
std::string AsciiLower(std::string_view text);

// Full lower- and upper-casing by the Russian locale's rules (Cyrillic included).
std::string RussianLower(std::string_view utf8);
std::string RussianUpper(std::string_view utf8);

}  // namespace brelvik
