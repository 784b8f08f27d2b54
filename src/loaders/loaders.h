// Each provider's loader: its probe address and its body. A body given an
// EmptyListCause sets it to why the page held no channel list (kNone when it
// held one). The HTML pages' bodies decode the character references in the
// names and codes of the rows they cut.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/channel_row.h"
#include "loaders/load_frame.h"

namespace brelvik {

// vsetv: the options of the channel selector on "/channels.html" (Windows-1251).
ChannelRows ParseVsetvPage(std::string_view page, EmptyListCause* empty = nullptr);
Loader VsetvLoader();

// mailru, idcmd, stv: lists the program carries ("name;code" a line), handed
// out once the provider's site answers the probe, then held for a pause.
inline constexpr std::chrono::milliseconds kMailruPause{4000};
inline constexpr std::chrono::milliseconds kIdcmdPause{3000};
inline constexpr std::chrono::milliseconds kStvPause{3000};
// The built-in list of "mailru", "idcmd" or "stv" as stored; empty for other keys.
std::string_view BuiltinListText(std::string_view key);
// One row per line, in order: the name before the first ";", the code after it.
ChannelRows ParseBuiltinList(std::string_view text);
Loader MailruLoader();
Loader IdcmdLoader();
Loader StvLoader();

// smartlab, moyo: the channel package's entries in the service's XML answer,
// read by position. Raises std::runtime_error for a document not of that shape.
ChannelRows ParseChannelPackage(std::string_view answer, EmptyListCause* empty = nullptr);
// An entry's row: the first and second fields at ">" of its "name>code" line,
// so a name holding ">" keeps its first part and what follows stands as code.
ChannelRow ChannelPackageRow(std::string_view name, std::string_view code);
Loader SmartlabLoader();
Loader MoyoLoader();

// tricolor: the check boxes of the channel filter on "/tvprogram" (UTF-8).
struct TricolorPage {
  std::vector<std::string> lines;  // the cleaned filter's lines, as the trace file keeps them
  ChannelRows rows;
  EmptyListCause empty_list = EmptyListCause::kNone;  // why there are no rows, if none
};
TricolorPage ParseTricolorPage(std::string_view page);
// The trace file's content: each line followed by CR LF, in Windows-1251.
std::string TricolorTraceBytes(const std::vector<std::string>& lines);
// Where the trace file goes unless the load names a place: the user's cache folder.
std::filesystem::path DefaultTricolorTraceFile();
Loader TricolorLoader();

// teleguide: the channel links of "/kanals.html" (UTF-8), sorted, each once.
ChannelRows ParseTeleguidePage(std::string_view page, EmptyListCause* empty = nullptr);
Loader TeleguideLoader();

// akado: five fixed channels, then the links of "/channels/" (UTF-8), sorted, each once.
ChannelRows ParseAkadoPage(std::string_view page, EmptyListCause* empty = nullptr);
Loader AkadoLoader();

// ntvplus: the channel selector's options on "/tv/lite.xl" (UTF-8), sorted, each once.
ChannelRows ParseNtvplusPage(std::string_view page, EmptyListCause* empty = nullptr);
Loader NtvplusLoader();

// ontimetv: the channel blocks of "/tv/?cat=11" (Windows-1251), in page order.
ChannelRows ParseOntimetvPage(std::string_view page, EmptyListCause* empty = nullptr);
Loader OntimetvLoader();

// zakon: the "channels" object of the television site's "/" (Windows-1251), in order.
ChannelRows ParseZakonPage(std::string_view page, EmptyListCause* empty = nullptr);
Loader ZakonLoader();

}  // namespace brelvik
