// A load's table and channel-id map, made off the window's thread.
#include "outputs/finished_list.h"

namespace brelvik {

FinishedList PrepareFinishedList(ChannelRows&& rows, const ChannelIdOptions& options) {
  FinishedList list;
  list.table.Assign(std::move(rows));
  list.channel_list_text = CreateList(list.table.Rows(), options);
  list.findings = CheckChannelIdList(list.table.Rows(), options);
  return list;
}

}  // namespace brelvik
