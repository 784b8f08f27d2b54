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
  // Control characters XML 1.0 cannot hold, dropped from names and codes.
  std::size_t dropped_characters = 0;
  // Rows whose code leaves no channel id: a grabber could not fetch them.
  std::size_t rows_without_id = 0;
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
// each once; an empty name only when the channel has no other.
std::string ExportXmltv(const ListedChannels& channels, std::string_view site_label,
                        std::string_view lang, GuideExportReport& report);

// <channels> with one <channel site="HOST" site_id="CODE" lang="LANG"
// xmltv_id="ID">NAME</channel> per row, in table order; NAME is the name the
// table shows.
std::string ExportGrabberChannels(const ListedChannels& channels, std::string_view site_label,
                                  std::string_view lang, GuideExportReport& report);

}  // namespace brelvik
