// brelvik-cli: lists the providers and loads one provider's channel list.
#include "cli/cli.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "cli/cli_text.h"
#include "cli/load_outcome.h"
#include "cli/match_output.h"
#include "loaders/load_frame.h"
#include "matching/mapping.h"
#include "matching/match_outputs.h"
#include "matching/matcher.h"
#include "matching/playlist.h"
#include "loaders/providers.h"
#include "outputs/channel_id_map.h"
#include "outputs/channel_table.h"
#include "outputs/list_export.h"
#include "outputs/m3u_line.h"
#include "support/codepage.h"
#include "support/file_write.h"
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
    "                  [--allow-empty]\n"
    "  brelvik-cli match KEY|INDEX --playlist FILE [load options]\n"
    "                  [--auto-score N] [--review-score N] [--format table|tsv|json]\n"
    "                  [--apply] [--write-playlist FILE]\n"
    "                  [--mapping FILE] [--save-mapping FILE] [--refresh-report FILE]\n"
    "\n"
    "providers  one line per provider: INDEX, KEY and its NAME=URL addresses, tab-separated\n"
    "load       loads a provider's channel list and prints it in table order\n"
    "match      loads a provider's list and matches it to your playlist: for each channel,\n"
    "           the playlist name it stands for, a score (0-100), a status (exact, auto,\n"
    "           review, none) and the reason\n"
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
    "  --playlist F     with match: your playlist (M3U/M3U8, or one name a line)\n"
    "  --auto-score N   with match: lowest score of an automatic match (default 90)\n"
    "  --review-score N with match: lowest score of a suggestion to review (default 60)\n"
    "  --apply          with match: rename the channels to their exact and automatic\n"
    "                   playlist names before --channel-id and --export\n"
    "  --write-playlist F  with match: write your playlist with tvg-id=\"CODE\" on each\n"
    "                   matched entry, every other byte unchanged\n"
    "  --mapping F      with match: re-apply the decisions saved in F (yours win over\n"
    "                   the matcher) and tell what changed at the provider since\n"
    "  --save-mapping F with match: save this run's decisions to F\n"
    "  --refresh-report F  with match and --mapping: write what changed as JSON\n"
    "  --allow-empty    write --channel-id, --export, --write-playlist and\n"
    "                   --save-mapping over existing files even when the page held\n"
    "                   no channel list\n"
    "\n"
    "Exit status: 0 loaded, 1 the load failed, 2 usage error, 3 the site is unavailable,\n"
    "4 loaded, but the page held no channel list (the site may have changed its\n"
    "layout; existing --channel-id, --export, --write-playlist and --save-mapping\n"
    "files are then left as they were unless --allow-empty is given).\n";

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
  // match
  std::string playlist_file;
  MatchOptions match_options;
  bool apply = false;
  std::string write_playlist_file;
  std::string mapping_file;
  std::string save_mapping_file;
  std::string refresh_report_file;
  bool match_only_given = false;
  bool allow_empty = false;
};

// A whole number from 0 to 100; false for anything else.
bool ParseScore(const std::string& text, int& score) {
  if (text.empty() || text.size() > 3) return false;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 100) return false;
  score = value;
  return true;
}

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
    } else if (arg == "--playlist") {
      if (!(error = value(options.playlist_file)).empty()) return error;
      options.match_only_given = true;
    } else if (arg == "--write-playlist") {
      if (!(error = value(options.write_playlist_file)).empty()) return error;
      options.match_only_given = true;
    } else if (arg == "--mapping" || arg == "--save-mapping" || arg == "--refresh-report") {
      std::string& file = arg == "--mapping"        ? options.mapping_file
                          : arg == "--save-mapping" ? options.save_mapping_file
                                                    : options.refresh_report_file;
      if (!(error = value(file)).empty()) return error;
      options.match_only_given = true;
    } else if (arg == "--apply") {
      options.apply = true;
      options.match_only_given = true;
    } else if (arg == "--auto-score" || arg == "--review-score") {
      if (!(error = value(text)).empty()) return error;
      int& score = arg == "--auto-score" ? options.match_options.auto_score
                                         : options.match_options.review_score;
      if (!ParseScore(text, score)) return arg + " needs a whole number from 0 to 100";
      options.match_only_given = true;
    } else if (arg == "--trace-file") {
      if (!(error = value(options.trace_file)).empty()) return error;
    } else if (arg == "--allow-empty") {
      options.allow_empty = true;
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
  } else if (options.command == "match") {
    if (positional.size() != 2) return "match needs one provider key or index";
    options.provider = positional[1];
    if (options.playlist_file.empty()) return "match needs --playlist FILE";
    if (options.format == "m3u") return "match prints table, tsv or json";
    if (options.match_options.review_score > options.match_options.auto_score) {
      return "--review-score must not be above --auto-score";
    }
    if (!options.refresh_report_file.empty() && options.mapping_file.empty()) {
      return "--refresh-report needs --mapping";
    }
  } else {
    return "unknown command \"" + options.command + "\"";
  }
  if (options.command != "match" && options.match_only_given) {
    return "--playlist, --auto-score, --review-score, --apply, --write-playlist, --mapping, "
           "--save-mapping and --refresh-report belong to match";
  }
  return {};
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

// Loads the provider's list into `table`; returns -1 on success, else the exit code.
// `outcome` then holds what the rest of the command makes of the load.
int LoadTable(const Options& options, std::ostream& err, ChannelTable& table,
              std::string& site_label, LoadOutcome& outcome) {
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
  outcome = LoadOutcome(result, options.language, options.allow_empty);
  outcome.PrintWarnings(err);
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
  table.Assign(result.rows);
  site_label = result.site_label;
  return -1;
}

// Writes --channel-id and --export from the table, unless `outcome` keeps an
// existing file; returns -1, or the exit code.
int WriteTableFiles(const ChannelTable& table, const Options& options, std::string_view site_label,
                    const LoadOutcome& outcome, std::ostream& err) {
  try {
    if (!options.channel_id_file.empty() && outcome.MayWrite(options.channel_id_file, err)) {
      SaveChannelIdFile(options.channel_id_file,
                        CreateList(table.Rows(), options.channel_id_options));
      PrintChannelIdFindings(CheckChannelIdList(table.Rows(), options.channel_id_options),
                             options.language, err);
    }
    if (!options.export_file.empty() && outcome.MayWrite(options.export_file, err)) {
      ExportTable(table, options.export_file, options.language, site_label, err);
    }
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return kExitFailed;
  }
  return -1;
}

int Load(const Options& options, std::ostream& out, std::ostream& err) {
  ChannelTable table;
  std::string site_label;
  LoadOutcome outcome;
  if (const int code = LoadTable(options, err, table, site_label, outcome); code >= 0) return code;
  if (const int code = WriteTableFiles(table, options, site_label, outcome, err); code >= 0) {
    return code;
  }
  PrintRows(table, options, site_label, out);
  return outcome.ExitCode();
}

int Match(const Options& options, std::ostream& out, std::ostream& err) {
  // The playlist first: a bad one ends the command before anything is
  // fetched or written.
  Playlist playlist;
  try {
    playlist = ReadPlaylistFile(options.playlist_file);
    if (!options.write_playlist_file.empty() && playlist.kind != PlaylistKind::kM3u) {
      throw PlaylistError({PlaylistProblem::kNotM3u, 0, options.playlist_file});
    }
  } catch (const PlaylistError& e) {
    PlaylistNotice notice = e.Notice();
    err << "brelvik-cli: " << PlaylistNoticeLine(options.playlist_file, notice, options.language)
        << "\n";
    return kExitFailed;
  }
  for (const PlaylistNotice& warning : playlist.warnings) {
    err << "brelvik-cli: warning: "
        << PlaylistNoticeLine(options.playlist_file, warning, options.language) << "\n";
  }
  const Provider* provider = FindProviderByKeyOrIndex(options.provider);
  std::optional<ChannelMapping> mapping;
  if (provider && !options.mapping_file.empty()) {
    try {
      mapping = ReadMappingFile(options.mapping_file, provider->key);
    } catch (const MappingError& e) {
      err << "brelvik-cli: " << options.mapping_file << ": " << MappingErrorText(e, options.language)
          << "\n";
      return kExitFailed;
    }
  }
  ChannelTable table;
  std::string site_label;
  LoadOutcome outcome;
  if (const int code = LoadTable(options, err, table, site_label, outcome); code >= 0) return code;
  const ChannelRows rows = table.Rows();
  MatchRun run = MatchPlaylist(rows, playlist, options.match_options);
  if (mapping) {
    ApplyMapping(*mapping, rows, run);
    const RefreshReport report = CompareWithMapping(*mapping, rows);
    err << "brelvik-cli: " << RefreshSummary(report, options.language) << "\n";
    if (!options.refresh_report_file.empty()) {
      try {
        WriteFileAtomically(options.refresh_report_file, RefreshReportJson(report));
      } catch (const FileWriteError& e) {
        err << e.what() << "\n";
        return kExitFailed;
      }
    }
  }
  if (!options.save_mapping_file.empty() && outcome.MayWrite(options.save_mapping_file, err)) {
    try {
      SaveMappingFile(options.save_mapping_file, MappingOf(provider->key, rows, run));
    } catch (const FileWriteError& e) {
      err << e.what() << "\n";
      return kExitFailed;
    }
  }
  if (options.apply) ApplyMatches(table, run);
  if (const int code = WriteTableFiles(table, options, site_label, outcome, err); code >= 0) {
    return code;
  }
  if (!options.write_playlist_file.empty() &&
      outcome.MayWrite(options.write_playlist_file, err)) {
    std::vector<PlaylistNotice> warnings;
    const std::string bytes = PlaylistWithIds(playlist, PlaylistIds(playlist, rows, run), &warnings);
    for (const PlaylistNotice& warning : warnings) {
      err << "brelvik-cli: warning: "
          << PlaylistNoticeLine(options.write_playlist_file, warning, options.language) << "\n";
    }
    try {
      WriteFileAtomically(options.write_playlist_file, bytes);
    } catch (const FileWriteError& e) {
      err << e.what() << "\n";
      return kExitFailed;
    }
  }
  const MatchFormat format = options.format == "json"  ? MatchFormat::kJson
                             : options.format == "tsv" ? MatchFormat::kTsv
                                                       : MatchFormat::kTable;
  PrintMatches(rows, run, format, options.language, out);
  err << "brelvik-cli: " << MatchSummary(run.Counts(), options.language) << "\n";
  return outcome.ExitCode();
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
  if (options.command == "match") return Match(options, out, err);
  return Load(options, out, err);
}

}  // namespace brelvik
