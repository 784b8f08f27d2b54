// brelvik-cli: lists the providers and loads one provider's channel list.
#include "cli/cli.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "loaders/load_frame.h"
#include "loaders/providers.h"
#include "outputs/channel_id_map.h"
#include "outputs/channel_table.h"
#include "outputs/list_export.h"
#include "outputs/m3u_line.h"
#include "support/codepage.h"
#include "support/ui_texts.h"

namespace brelvik {

namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  brelvik-cli providers [--site NAME=URL]...\n"
    "  brelvik-cli load KEY|INDEX [--site NAME=URL]... [--skip-probe]\n"
    "                  [--format table|tsv|json|m3u] [--lang ru|en] [--trace-file PATH]\n"
    "                  [--channel-id FILE [--remove-hyphen] [--remove-dot] [--lower-russian]]\n"
    "                  [--export FILE.txt|FILE.xls|FILE.htm|FILE.html|FILE.xml|FILE.channels.xml]\n"
    "\n"
    "providers  one line per provider: INDEX, KEY and its NAME=URL addresses, tab-separated\n"
    "load       loads a provider's channel list and prints it in table order\n"
    "\n"
    "  --site NAME=URL  use URL for the address NAME (a provider key, or tricolor.guide,\n"
    "                   zakon.tv, smartlab.service, moyo.service)\n"
    "  --skip-probe     do not probe the provider's site first\n"
    "  --format F       table (default), tsv, json, or m3u (the playlist line of\n"
    "                   every channel)\n"
    "  --lang L         language of messages: ru (default) or en\n"
    "  --trace-file P   where the tricolor loader writes its trace file\n"
    "  --channel-id F   also write the channel-id file F (Windows-1251, one line)\n"
    "  --remove-hyphen  with --channel-id: remove hyphens from names before hashing\n"
    "  --remove-dot     with --channel-id: remove dots from names before hashing\n"
    "  --lower-russian  with --channel-id: lower-case Cyrillic letters too\n"
    "  --export F       also save the list; the format follows the extension: text,\n"
    "                   Excel, HTML, an XMLTV channel list (.xml) or a grabber\n"
    "                   channel file (.channels.xml)\n"
    "\n"
    "Exit status: 0 loaded, 1 the load failed, 2 usage error, 3 the site is unavailable.\n";

struct Options {
  std::string command;
  std::string provider;
  ProviderSites sites;
  bool skip_probe = false;
  std::string format = "table";
  Language language = Language::kRu;
  std::string trace_file;
  std::string channel_id_file;
  ChannelIdOptions channel_id_options;
  std::string export_file;
};

// Parses the arguments; returns an error text, empty on success.
std::string Parse(const std::vector<std::string>& args, Options& options) {
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) -> std::string {
      if (i + 1 >= args.size()) return arg + " needs a value";
      into = args[++i];
      return {};
    };
    std::string text;
    std::string error;
    if (arg == "--site") {
      if (!(error = value(text)).empty()) return error;
      if (!(error = options.sites.Override(text)).empty()) return "--site: " + error;
    } else if (arg == "--channel-id") {
      if (!(error = value(options.channel_id_file)).empty()) return error;
    } else if (arg == "--remove-hyphen") {
      options.channel_id_options.remove_hyphen = true;
    } else if (arg == "--remove-dot") {
      options.channel_id_options.remove_dot = true;
    } else if (arg == "--lower-russian") {
      options.channel_id_options.lower_russian = true;
    } else if (arg == "--export") {
      if (!(error = value(options.export_file)).empty()) return error;
      if (!FormatForExtension(options.export_file)) {
        return "--export: the file name must end in .txt, .xls, .htm, .html, .xml or .channels.xml";
      }
    } else if (arg == "--trace-file") {
      if (!(error = value(options.trace_file)).empty()) return error;
    } else if (arg == "--skip-probe") {
      options.skip_probe = true;
    } else if (arg == "--format") {
      if (!(error = value(options.format)).empty()) return error;
      if (options.format != "table" && options.format != "tsv" && options.format != "json" &&
          options.format != "m3u") {
        return "unknown format \"" + options.format + "\"";
      }
    } else if (arg == "--lang") {
      if (!(error = value(text)).empty()) return error;
      if (text == "ru") {
        options.language = Language::kRu;
      } else if (text == "en") {
        options.language = Language::kEn;
      } else {
        return "unknown language \"" + text + "\"";
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + arg;
    } else {
      positional.push_back(arg);
    }
  }
  const ChannelIdOptions& cleanups = options.channel_id_options;
  if (options.channel_id_file.empty() &&
      (cleanups.remove_hyphen || cleanups.remove_dot || cleanups.lower_russian)) {
    return "--remove-hyphen, --remove-dot and --lower-russian need --channel-id";
  }
  if (positional.empty()) return "no command";
  options.command = positional[0];
  if (options.command == "providers") {
    if (positional.size() != 1) return "providers takes no argument";
  } else if (options.command == "load") {
    if (positional.size() != 2) return "load needs one provider key or index";
    options.provider = positional[1];
  } else {
    return "unknown command \"" + options.command + "\"";
  }
  return {};
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Padded(std::string_view text, std::size_t width, bool right) {
  const std::size_t length = Utf8Length(text);
  const std::string pad(width > length ? width - length : 0, ' ');
  return right ? pad + std::string(text) : std::string(text) + pad;
}

void PrintRows(const ChannelTable& table, const Options& options, const std::string& site_label,
               std::ostream& out) {
  if (options.format == "m3u") {
    for (std::size_t i = 0; i < table.Count(); ++i) {
      out << M3uLine(site_label, table.Row(i).code, table.Row(i).name) << "\n";
    }
  } else if (options.format == "json") {
    out << "[";
    for (std::size_t i = 0; i < table.Count(); ++i) {
      out << (i ? ",\n " : "\n ") << "{\"name\": " << JsonString(table.Row(i).name)
          << ", \"code\": " << JsonString(table.Row(i).code) << "}";
    }
    out << (table.Empty() ? "]\n" : "\n]\n");
  } else if (options.format == "tsv") {
    for (std::size_t i = 0; i < table.Count(); ++i) {
      out << table.Row(i).name << '\t' << table.Row(i).code << "\n";
    }
  } else {
    const UiTexts& texts = TextsFor(options.language);
    std::size_t name_width = Utf8Length(texts.name_column);
    std::size_t code_width = Utf8Length(texts.code_column);
    for (std::size_t i = 0; i < table.Count(); ++i) {
      name_width = std::max(name_width, Utf8Length(table.Row(i).name));
      code_width = std::max(code_width, Utf8Length(table.Row(i).code));
    }
    out << Padded(texts.name_column, name_width, false) << "  "
        << Padded(texts.code_column, code_width, true) << "\n";
    for (std::size_t i = 0; i < table.Count(); ++i) {
      out << Padded(table.Row(i).name, name_width, false) << "  "
          << Padded(table.Row(i).code, code_width, true) << "\n";
    }
  }
}

// Saves the table to `path` in the format its extension names; what a guide
// format had to leave out is told on `err`. Throws when the file cannot be
// written.
void ExportTable(const ChannelTable& table, const std::string& path, Language language,
                 std::string_view site_label, std::ostream& err) {
  const GuideExportReport report =
      ExportList(path, ListExportFor(table, *FormatForExtension(path), language, site_label));
  for (const std::string& notice : ExportNotices(report, language)) {
    err << "brelvik-cli: warning: " << notice << "\n";
  }
}

int Load(const Options& options, std::ostream& out, std::ostream& err) {
  const Provider* provider = FindProviderByKeyOrIndex(options.provider);
  if (!provider) {
    err << "brelvik-cli: unknown provider \"" << options.provider << "\"\n";
    return kExitUsage;
  }
  HttpClient http;
  LoadOptions load_options;
  load_options.skip_probe = options.skip_probe;
  load_options.trace_file = options.trace_file;
  const LoadResult result = RunLoad(*provider, http, options.sites, load_options);
  for (const std::string& warning : result.warnings) err << "brelvik-cli: warning: " << warning << "\n";
  switch (result.status) {
    case LoadStatus::kNoConnect:
      err << TextsFor(options.language).no_connect << "\n";
      return kExitNoConnect;
    case LoadStatus::kFailed:
    case LoadStatus::kCancelled:
      err << result.error << "\n";
      return kExitFailed;
    case LoadStatus::kLoaded:
      break;
  }
  ChannelTable table;
  table.Assign(result.rows);
  try {
    if (!options.channel_id_file.empty()) {
      SaveChannelIdFile(options.channel_id_file,
                        CreateList(table.Rows(), options.channel_id_options));
    }
    if (!options.export_file.empty()) {
      ExportTable(table, options.export_file, options.language, result.site_label, err);
    }
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return kExitFailed;
  }
  PrintRows(table, options, result.site_label, out);
  return kExitLoaded;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (std::find(args.begin(), args.end(), "--help") != args.end() ||
      std::find(args.begin(), args.end(), "-h") != args.end()) {
    out << kUsage;
    return kExitLoaded;
  }
  Options options;
  if (const std::string error = Parse(args, options); !error.empty()) {
    err << "brelvik-cli: " << error << "\n" << kUsage;
    return kExitUsage;
  }
  if (options.command == "providers") {
    const auto& providers = Providers();
    for (std::size_t i = 0; i < providers.size(); ++i) {
      out << i << '\t' << providers[i].key;
      for (const auto& [name, url] : options.sites.AddressesOf(providers[i])) {
        out << '\t' << name << '=' << url;
      }
      out << "\n";
    }
    return kExitLoaded;
  }
  return Load(options, out, err);
}

}  // namespace brelvik
