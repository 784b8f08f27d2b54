// Character references of HTML text ("&amp;", "&#1058;", "&#x422;") turned
// into the characters they stand for.
#pragma once

#include <string>
#include <string_view>

namespace brelvik {

// Decodes the character references of a UTF-8 text taken from an HTML page:
// the named ones pages use (the HTML 4 set, "&apos;", the upper-case forms of
// "&amp;", "&lt;", "&gt;", "&quot;", "&copy;", "&reg;", "&trade;", and
// "&numero;"), with HTML5's meaning, and decimal and hexadecimal numeric ones,
// each ended by ";". Numbers 128 to 159 stand for the Windows-1252 characters
// of those bytes, as browsers read them. A reference that is not one of these,
// that names no character (0, a surrogate, beyond U+10FFFF) or a control
// character, or that lacks its ";" stays as written; one pass, so "&amp;amp;"
// gives "&amp;". Well-formed UTF-8 in gives well-formed UTF-8 out.
std::string DecodeHtmlReferences(std::string_view text);

}  // namespace brelvik
