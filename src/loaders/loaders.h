// Each provider's loader: its probe address and its body.
#pragma once

#include <string_view>

#include "loaders/channel_row.h"
#include "loaders/load_frame.h"

namespace brelvik {

// vsetv: the options of the channel selector on "/channels.html" (Windows-1251).
ChannelRows ParseVsetvPage(std::string_view page);
Loader VsetvLoader();

}  // namespace brelvik
