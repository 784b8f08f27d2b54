// The XMLTV channel list and the grabber channel file, written as text: the
// escaping below is the whole of what XML asks of them.
#include "outputs/guide_export.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "outputs/guide_channel_id.h"
#include "support/codepage.h"
#include "support/version.h"

namespace brelvik {
namespace {

// Appends `text` escaped for element content and double-quoted attribute
// values alike; returns how many characters were dropped. Tab, LF and CR go
// as references, which parsers keep as they are (attribute values would
// otherwise turn them into spaces, and CR LF into LF).
std::size_t AppendXml(std::string& out, std::string_view text) {
  std::size_t dropped = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    switch (cp) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (XmlCanHold(cp)) {
          AppendUtf8(out, cp);
        } else {
          ++dropped;
        }
    }
  }
  return dropped;
}

std::size_t CountXmlDropped(std::string_view text) {
  std::size_t dropped = 0;
  for (std::size_t i = 0; i < text.size();) dropped += XmlCanHold(NextCodePoint(text, i)) ? 0 : 1;
  return dropped;
}

// True when the name holds nothing a reader would show: only white space and
// characters XML cannot hold.
bool BlankName(std::string_view name) {
  for (std::size_t i = 0; i < name.size();) {
    const char32_t cp = NextCodePoint(name, i);
    if (XmlCanHold(cp) && !IsIdSpace(cp)) return false;
  }
  return true;
}

// Appends `text` as the body of an XML comment, which has no escapes: what
// XML cannot hold is dropped (and counted), line breaks and tabs become
// spaces so the comment stays on its line, and "--", which would end it
// early, is written "- -".
std::size_t AppendCommentText(std::string& out, std::string_view text) {
  std::size_t dropped = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    if (!XmlCanHold(cp)) {
      ++dropped;
    } else if (cp == '\t' || cp == '\n' || cp == '\r') {
      out += ' ';
    } else {
      if (cp == '-' && !out.empty() && out.back() == '-') out += ' ';
      AppendUtf8(out, cp);
    }
  }
  return dropped;
}

std::string_view WithoutLabelPrefix(std::string_view site_label) {
  return site_label.starts_with(": ") ? site_label.substr(2) : site_label;
}

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

}  // namespace

std::string SiteAddress(std::string_view site_label) {
  return std::string(WithoutLabelPrefix(site_label));
}

std::string SiteHost(std::string_view site_label) {
  std::string_view host = WithoutLabelPrefix(site_label);
  if (const auto scheme = host.find("://"); scheme != std::string_view::npos) {
    host.remove_prefix(scheme + 3);
  }
  host = host.substr(0, host.find_first_of("/?#"));
  if (const auto at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
  if (host.starts_with('[')) {
    host = host.substr(0, host.find(']') + 1);  // an IPv6 address keeps its brackets
  } else {
    host = host.substr(0, host.find(':'));
  }
  return std::string(host);
}

namespace {

// The rows a guide format names, grouped: a row without an id or without a
// name is left out and counted; rows of one key (as `key_of` gives it for
// a row and its id) are one channel, the later ones counted as merged.
struct GuideChannel {
  std::string id;
  std::vector<const ListedChannel*> rows;
};

template <typename KeyOf>
std::vector<GuideChannel> GroupForGuide(const ListedChannels& channels, GuideExportReport& report,
                                        KeyOf key_of) {
  std::vector<GuideChannel> grouped;
  std::unordered_map<std::string, std::size_t> index_of;
  for (const ListedChannel& channel : channels) {
    std::string id = GuideChannelId(channel.row);
    if (id.empty()) {
      ++report.rows_without_id;
      continue;
    }
    // A display name must hold text; a nameless row gives the guide nothing.
    if (BlankName(channel.row.name)) {
      ++report.rows_without_name;
      continue;
    }
    const auto [it, added] = index_of.try_emplace(key_of(channel, id), grouped.size());
    if (added) {
      grouped.push_back({std::move(id), {}});
    } else {
      ++report.merged_rows;
    }
    grouped[it->second].rows.push_back(&channel);
  }
  return grouped;
}

}  // namespace

std::string ExportXmltv(const ListedChannels& channels, std::string_view site_label,
                        std::string_view lang, GuideExportReport& report) {
  // Rows sharing an id become one channel, as XMLTV ids are unique.
  std::size_t size = 256;
  const std::vector<GuideChannel> grouped = GroupForGuide(
      channels, report, [&](const ListedChannel& channel, const std::string& id) {
        report.dropped_characters += CountXmlDropped(channel.row.code);
        size += 2 * channel.row.name.size() + channel.provider_name.size() + 2 * id.size() + 96;
        return id;
      });

  std::string out;
  out.reserve(size);
  out += kXmlDeclaration;
  out += "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv generator-info-name=\"Brelvik ";
  AppendXml(out, ProgramVersion());
  out += '"';
  if (const std::string address = SiteAddress(site_label); !address.empty()) {
    out += " source-info-url=\"";
    report.dropped_characters += AppendXml(out, address);
    out += '"';
  }
  out += ">\n";
  std::string display_open = "    <display-name lang=\"";
  report.dropped_characters += AppendXml(display_open, lang);
  display_open += "\">";
  std::unordered_set<std::string_view> written;
  for (const GuideChannel& channel : grouped) {
    out += "  <channel id=\"";
    AppendXml(out, channel.id);
    out += "\">\n";
    written.clear();
    const auto name = [&](std::string_view text) {
      if (BlankName(text) || !written.insert(text).second) return;
      out += display_open;
      report.dropped_characters += AppendXml(out, text);
      out += "</display-name>\n";
    };
    for (const ListedChannel* row : channel.rows) name(row->row.name);
    for (const ListedChannel* row : channel.rows) name(row->provider_name);
    out += "  </channel>\n";
  }
  out += "</tv>\n";
  return out;
}

std::string ExportGrabberChannels(const ListedChannels& channels, std::string_view site_label,
                                  std::string_view lang, GuideExportReport& report) {
  std::string site_open = "  <channel site=\"";
  report.dropped_characters += AppendXml(site_open, SiteHost(site_label));
  site_open += "\" site_id=\"";
  std::string lang_attribute = "\" lang=\"";
  report.dropped_characters += AppendXml(lang_attribute, lang);
  lang_attribute += "\" xmltv_id=\"";

  // One channel per (site_id, xmltv_id), the site being one: grabbers refuse
  // a file that repeats a site_id, and would fetch the channel twice.
  std::size_t size = 64;
  const std::vector<GuideChannel> grouped = GroupForGuide(
      channels, report, [&](const ListedChannel& channel, const std::string& id) {
        size += site_open.size() + lang_attribute.size() + channel.row.name.size() +
                2 * channel.row.code.size() + 32;
        std::string key = channel.row.code;
        key += '\0';
        key += id;
        return key;
      });

  std::string out;
  out.reserve(size);
  out += kXmlDeclaration;
  out += "<channels>\n";
  std::unordered_set<std::string_view> written;
  for (const GuideChannel& channel : grouped) {
    const ListedChannel& first = *channel.rows.front();
    out += site_open;
    report.dropped_characters += AppendXml(out, first.row.code);
    out += lang_attribute;
    AppendXml(out, channel.id);
    out += "\">";
    report.dropped_characters += AppendXml(out, first.row.name);
    out += "</channel>";
    // The format has one name a channel: the other rows' names go beside it
    // for the reader.
    written.clear();
    written.insert(first.row.name);
    for (const ListedChannel* row : channel.rows) {
      if (!written.insert(row->row.name).second) continue;
      out += " <!-- also: ";
      report.dropped_characters += AppendCommentText(out, row->row.name);
      out += " -->";
    }
    out += '\n';
  }
  out += "</channels>\n";
  return out;
}

}  // namespace brelvik
