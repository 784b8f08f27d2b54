// What a finished load hands the window: the table sorted, the channel-id map
// and what the map's file would lose, all made on the loading thread so that
// the window's own thread only takes them in.
#pragma once

#include <string>

#include "loaders/channel_row.h"
#include "outputs/channel_id_map.h"
#include "outputs/channel_table.h"

namespace brelvik {

struct FinishedList {
  ChannelTable table;             // in the order a new load shows: by name, ascending
  std::string channel_list_text;  // CreateList of the rows in that order
  ChannelIdFindings findings;
};

// Takes the rows over; `options` are the save options in force at the load.
FinishedList PrepareFinishedList(ChannelRows&& rows, const ChannelIdOptions& options);

}  // namespace brelvik
