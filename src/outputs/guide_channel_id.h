// The one rule for the id a channel goes by outside the program: the tvg-id a
// written playlist gives its entries, and the channel id of guide exports.
#pragma once

#include <string>

#include "loaders/channel_row.h"

namespace brelvik {

// The row's code, trimmed, without the characters a double-quoted playlist
// attribute or an XML attribute cannot carry unchanged: double quotes and
// control characters (below 32, and DEL). Empty when nothing is left.
std::string GuideChannelId(const ChannelRow& row);

}  // namespace brelvik
