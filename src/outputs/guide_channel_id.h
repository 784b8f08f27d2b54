// The one rule for the id a channel goes by outside the program: the tvg-id a
// written playlist gives its entries, and the channel id of guide exports.
#pragma once

#include <string>
#include <string_view>

#include "loaders/channel_row.h"

namespace brelvik {

// XML 1.0's Char production, less what well-formed UTF-8 cannot hold anyway:
// tab, LF, CR and everything from U+0020 but U+FFFE and U+FFFF.
bool XmlCanHold(char32_t cp);

// White space at either end of an id, as readers that trim values see it:
// bytes up to the space, and Unicode's spaces (no-break, en, em, ideographic,
// line and paragraph separators, the byte-order mark among them).
bool IsIdSpace(char32_t cp);

// The row's code (UTF-8, references already decoded by its loader) without
// what a double-quoted playlist attribute or an XML attribute cannot carry
// unchanged: double quotes, control characters (below U+0020, and DEL) and
// the other characters XML cannot hold are dropped, then white space at both
// ends is trimmed, so `" 8 "` gives `8`. Empty when nothing is left.
std::string GuideChannelId(const ChannelRow& row);

}  // namespace brelvik
