// Channel lists for programme-guide grabbers: an XMLTV channel list and the
// channel file that site-per-folder grabbers read. Both name each channel by
// GuideChannelId, the id a written playlist gives it as tvg-id.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "outputs/channel_table.h"

namespace brelvik {

// What a guide export had to leave out.
struct GuideExportReport {
  // Characters XML 1.0 cannot hold (control characters, U+FFFE, U+FFFF),
  // dropped from names and codes.
  std::size_t dropped_characters = 0;
  // Rows whose code leaves no channel id: a grabber could not fetch them.
  std::size_t rows_without_id = 0;
  // Rows with an id but no name to show (empty, white space, or only
  // characters XML cannot hold): a guide channel needs a name.
  std::size_t rows_without_name = 0;
  // Rows written as part of an earlier row's channel, as they share its id
  // (and, in the grabber file, its code).
  std::size_t merged_rows = 0;
  bool operator==(const GuideExportReport&) const = default;
};

// The address and the host of a site label (": http://www.host.tv"):
// "http://www.host.tv" and "www.host.tv" (without a port). Empty for an empty label.
std::string SiteAddress(std::string_view site_label);
std::string SiteHost(std::string_view site_label);

// An XMLTV document in UTF-8 (<tv generator-info-name="Brelvik VERSION"
// source-info-url="SITE">) with one <channel id="ID"> per distinct id, in table
// order of first appearance. Its display names, each tagged `lang`: the names
// the rows of that id show, then the provider's names that differ from them,
// each once and none blank. Rows without an id or without a name are left out.
std::string ExportXmltv(const ListedChannels& channels, std::string_view site_label,
                        std::string_view lang, GuideExportReport& report);

// <channels> with one <channel site="HOST" site_id="CODE" lang="LANG"
// xmltv_id="ID">NAME</channel> line per distinct code and id, in table order
// of first appearance; NAME is the name its first row shows, and the other
// names its rows show follow on the line as comments ("<!-- also: NAME -->").
// Rows without an id or without a name are left out.
std::string ExportGrabberChannels(const ListedChannels& channels, std::string_view site_label,
                                  std::string_view lang, GuideExportReport& report);

}  // namespace brelvik
