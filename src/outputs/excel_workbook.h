// The Excel 97-2003 workbook (BIFF8 in a compound document) the list export
// writes.
#pragma once

#include <string>
#include <string_view>

#include "loaders/channel_row.h"
#include "outputs/list_export.h"

namespace brelvik {

// The workbook's bytes: strings in Unicode, every sheet starting with the
// title row; past 65 535 channels the list goes on in further sheets
// ("Каналы", "Каналы 2", ... or "Channels", ... for "en").
std::string ExcelWorkbook(const ChannelRows& rows, const ListColumns& columns,
                          std::string_view lang);

}  // namespace brelvik
