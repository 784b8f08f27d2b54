// brelvik-cli: lists the providers and loads one provider's channel list.
#include "cli/cli.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

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
#include "support/failure.h"
#include "support/file_write.h"
#include "support/ui_texts.h"
#include "support/version.h"

namespace brelvik {

namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  brelvik-cli providers [--site NAME=URL]...\n"
    "  brelvik-cli load KEY|INDEX [--site NAME=URL]... [--skip-probe] [--timeout SECONDS]\n"
    "                  [--format table|tsv|json|m3u] [--lang ru|en] [--trace-file PATH]\n"
    "                  [--channel-id FILE [--remove-hyphen] [--remove-dot] [--lower-russian]]\n"
    "                  [--export FILE.txt|FILE.xls|FILE.htm|FILE.html|FILE.xml|FILE.channels.xml]\n"
    "                  [--allow-empty]\n"
    "  brelvik-cli match KEY|INDEX --playlist FILE [load options]\n"
    "                  [--auto-score N] [--review-score N] [--format table|tsv|json]\n"
    "                  [--apply] [--write-playlist FILE]\n"
    "                  [--mapping FILE] [--save-mapping FILE] [--refresh-report FILE]\n"
    "  brelvik-cli --help | --version\n"
    "\n"
    "providers  one line per provider: INDEX, KEY and its NAME=URL addresses, tab-separated\n"
    "load       loads a provider's channel list and prints it in table order\n"
    "match      loads a provider's list and matches it to your playlist: for each channel,\n"
    "           the playlist name it stands for, a score (0-100), a status (exact, auto,\n"
    "           review, none) and the reason\n"
    "\n"
    "Options take their value as the next argument or after \"=\" (--format=tsv).\n"
    "\n"
    "  --site NAME=URL  use URL for the address NAME (a provider key, or tricolor.guide,\n"
    "                   zakon.tv, smartlab.service, moyo.service); URL is http:// or\n"
    "                   https:// with a host\n"
    "  --skip-probe     do not probe the provider's site first\n"
    "  --timeout S      give up a request that has not ended after S seconds (default\n"
    "                   300 for a page, 30 for the probe; S sets both)\n"
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
    "  --allow-empty    write --channel-id, --export, --write-playlist, --save-mapping\n"
    "                   and --refresh-report over existing files even when the page\n"
    "                   held no channel list\n"
    "  --help           print this text and exit\n"
    "  --version        print the program's name and version and exit\n"
    "\n"
    "Files named by options must be non-empty paths to regular files (or /dev/null),\n"
    "each a different file, each option given once, none of them the playlist or the\n"
    "mapping read (but --write-playlist and --save-mapping may name those); a\n"
    "symbolic link is followed. A run writes all of its files whole, or none.\n"
    "\n"
    "Exit status: 0 loaded, 1 the load or writing a file or the output failed,\n"
    "2 usage error, 3 the site is unavailable,\n"
    "4 loaded, but the page held no channel list (the site may have changed its\n"
    "layout; existing --channel-id, --export, --write-playlist, --save-mapping and\n"
    "--refresh-report files are then left as they were unless --allow-empty is\n"
    "given).\n";

constexpr std::string_view kPrefix = "brelvik-cli: ";

// A failure on stderr, in the run's language.
void SayFailure(std::ostream& err, const Failure& failure, Language language) {
  err << kPrefix << FailureText(failure, language) << "\n";
}

struct Options {
  std::string command;
  std::string provider;
  ProviderSites sites;
  bool skip_probe = false;
  std::optional<std::chrono::milliseconds> timeout;
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

// A file option's value: an empty name or a target that cannot be a file
// (a directory, a FIFO, a socket, a device) is refused before any work.
// Returns the error text, empty when the file may be written.
std::string CheckFileOption(std::string_view option, const std::string& path, Language language) {
  if (path.empty()) return std::string(option) + " needs a file name, not an empty one";
  if (const std::optional<Failure> refusal = TargetRefusal(path)) {
    return std::string(option) + ": " + FailureText(*refusal, language);
  }
  return {};
}

// The file options given (option, path), checked one by one and against each
// other: two options naming one file would overwrite each other.
std::string CheckFileOptions(const std::vector<std::pair<std::string_view, std::string>>& files,
                             Language language) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (const std::string error = CheckFileOption(files[i].first, files[i].second, language);
        !error.empty()) {
      return error;
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (SameTarget(files[j].second, files[i].second)) {
        return std::string(files[j].first) + " and " + std::string(files[i].first) +
               " name the same file \"" + files[i].second + "\"";
      }
    }
  }
  return {};
}

// The files a run reads are not written over by an option meant for another
// file: only --write-playlist may name the playlist, and --save-mapping the
// mapping.
std::string CheckInputsAreKept(const std::vector<std::pair<std::string_view, std::string>>& files,
                               const Options& options) {
  const std::pair<std::string_view, const std::string*> inputs[] = {
      {"--playlist", &options.playlist_file}, {"--mapping", &options.mapping_file}};
  for (const auto& [input, input_path] : inputs) {
    if (input_path->empty()) continue;
    for (const auto& [output, path] : files) {
      const bool meant = (output == "--write-playlist" && input == "--playlist") ||
                         (output == "--save-mapping" && input == "--mapping");
      if (!meant && SameTarget(path, *input_path)) {
        return std::string(output) + " names the " + std::string(input) + " file \"" + path +
               "\", which the run reads";
      }
    }
  }
  return {};
}

// Seconds, whole or with up to three decimals, more than zero.
std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text) {
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
  if (whole.empty() || whole.size() > 7 || fraction.size() > 3 ||
      (dot != std::string_view::npos && fraction.empty())) {
    return std::nullopt;
  }
  long long ms = 0;
  for (const char c : whole) {
    if (c < '0' || c > '9') return std::nullopt;
    ms = ms * 10 + (c - '0');
  }
  ms *= 1000;
  long long scale = 100;
  for (const char c : fraction) {
    if (c < '0' || c > '9') return std::nullopt;
    ms += (c - '0') * scale;
    scale /= 10;
  }
  if (ms == 0) return std::nullopt;
  return std::chrono::milliseconds(ms);
}

// Parses the arguments; returns an error text, empty on success. An option's
// value is the next argument, or what follows "=" in "--option=value".
std::string Parse(const std::vector<std::string>& args, Options& options) {
  std::vector<std::string> positional;
  // The file options given, in order, for the checks at the end. Each names
  // one file the run writes: given twice, one of the two would be ignored.
  std::vector<std::pair<std::string_view, const std::string*>> file_options;
  std::string repeated;
  auto file = [&](std::string_view option, const std::string& path) {
    for (const auto& given : file_options) {
      if (given.first == option) {
        if (repeated.empty()) repeated = std::string(option) + " is given twice; it names one file";
        return;
      }
    }
    file_options.emplace_back(option, &path);
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> attached;
    if (arg.starts_with("--")) {
      if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
        attached = arg.substr(eq + 1);
        arg.resize(eq);
      }
    }
    auto value = [&](std::string& into) -> std::string {
      if (attached) {
        into = *attached;
      } else if (i + 1 < args.size()) {
        into = args[++i];
      } else {
        return arg + " needs a value";
      }
      return {};
    };
    auto flag = [&](bool& into) -> std::string {
      if (attached) return arg + " takes no value";
      into = true;
      return {};
    };
    std::string text;
    std::string error;
    if (arg == "--site") {
      if (!(error = value(text)).empty()) return error;
      if (!(error = options.sites.Override(text)).empty()) return "--site " + error;
    } else if (arg == "--channel-id") {
      if (!(error = value(options.channel_id_file)).empty()) return error;
      file("--channel-id", options.channel_id_file);
    } else if (arg == "--remove-hyphen") {
      if (!(error = flag(options.channel_id_options.remove_hyphen)).empty()) return error;
    } else if (arg == "--remove-dot") {
      if (!(error = flag(options.channel_id_options.remove_dot)).empty()) return error;
    } else if (arg == "--lower-russian") {
      if (!(error = flag(options.channel_id_options.lower_russian)).empty()) return error;
    } else if (arg == "--export") {
      if (!(error = value(options.export_file)).empty()) return error;
      file("--export", options.export_file);
      if (!options.export_file.empty() && !FormatForExtension(options.export_file)) {
        return "--export: the file name must end in .txt, .xls, .htm, .html, .xml or .channels.xml";
      }
    } else if (arg == "--playlist") {
      if (!(error = value(options.playlist_file)).empty()) return error;
      options.match_only_given = true;
    } else if (arg == "--write-playlist") {
      if (!(error = value(options.write_playlist_file)).empty()) return error;
      file("--write-playlist", options.write_playlist_file);
      options.match_only_given = true;
    } else if (arg == "--mapping" || arg == "--save-mapping" || arg == "--refresh-report") {
      std::string& path = arg == "--mapping"        ? options.mapping_file
                          : arg == "--save-mapping" ? options.save_mapping_file
                                                    : options.refresh_report_file;
      if (!(error = value(path)).empty()) return error;
      if (arg == "--mapping" && path.empty()) {
        return "--mapping needs a file name, not an empty one";
      }
      // The mapping read may be the one saved: only the written files are checked.
      if (arg == "--save-mapping") file("--save-mapping", path);
      if (arg == "--refresh-report") file("--refresh-report", path);
      options.match_only_given = true;
    } else if (arg == "--apply") {
      if (!(error = flag(options.apply)).empty()) return error;
      options.match_only_given = true;
    } else if (arg == "--auto-score" || arg == "--review-score") {
      if (!(error = value(text)).empty()) return error;
      int& score = arg == "--auto-score" ? options.match_options.auto_score
                                         : options.match_options.review_score;
      if (!ParseScore(text, score)) return arg + " needs a whole number from 0 to 100";
      options.match_only_given = true;
    } else if (arg == "--trace-file") {
      if (!(error = value(options.trace_file)).empty()) return error;
      file("--trace-file", options.trace_file);
    } else if (arg == "--allow-empty") {
      if (!(error = flag(options.allow_empty)).empty()) return error;
    } else if (arg == "--skip-probe") {
      if (!(error = flag(options.skip_probe)).empty()) return error;
    } else if (arg == "--timeout") {
      if (!(error = value(text)).empty()) return error;
      options.timeout = ParseSeconds(text);
      if (!options.timeout) {
        return "--timeout needs a number of seconds above 0, not \"" + text + "\"";
      }
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
  if (!repeated.empty()) return repeated;
  std::vector<std::pair<std::string_view, std::string>> files;
  for (const auto& [option, path] : file_options) files.emplace_back(option, *path);
  if (std::string error = CheckFileOptions(files, options.language); !error.empty()) return error;
  if (std::string error = CheckInputsAreKept(files, options); !error.empty()) return error;
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

// Loads the provider's list into `table`; returns -1 on success, else the exit code.
// `outcome` then holds what the rest of the command makes of the load.
int LoadTable(const Options& options, std::ostream& err, ChannelTable& table,
              std::string& site_label, LoadOutcome& outcome) {
  const Provider* provider = FindProviderByKeyOrIndex(options.provider);
  if (!provider) {
    err << kPrefix << "unknown provider \"" << options.provider << "\"\n";
    return kExitUsage;
  }
  HttpLimits limits;
  LoadOptions load_options;
  if (options.timeout) {
    limits.total_timeout = *options.timeout;
    load_options.probe_limits.total_timeout = *options.timeout;
  }
  HttpClient http(limits);
  load_options.skip_probe = options.skip_probe;
  load_options.trace_file = options.trace_file;
  LoadResult result = RunLoad(*provider, http, options.sites, load_options);
  outcome = LoadOutcome(result, options.language, options.allow_empty);
  outcome.PrintWarnings(err);
  switch (result.status) {
    case LoadStatus::kNoConnect: {
      // The window's three-line notice, as one line.
      std::string notice(TextsFor(options.language).no_connect);
      std::replace(notice.begin(), notice.end(), '\n', ' ');
      err << kPrefix << notice << "\n";
      return kExitNoConnect;
    }
    case LoadStatus::kFailed:
    case LoadStatus::kCancelled:
      SayFailure(err, result.failure, options.language);
      return kExitFailed;
    case LoadStatus::kLoaded:
      break;
  }
  table.Assign(std::move(result.rows));
  site_label = result.site_label;
  return -1;
}

// Prepares --channel-id and --export from the table in `files`, unless
// `outcome` keeps an existing file; what is to be said once they are in
// place goes to `later`. Throws when a file cannot be written.
void PrepareTableFiles(const ChannelTable& table, const Options& options,
                       std::string_view site_label, const LoadOutcome& outcome, std::ostream& err,
                       PreparedFiles& files, std::ostream& later) {
  if (!options.channel_id_file.empty() && outcome.MayWrite(options.channel_id_file, err)) {
    files.Add(options.channel_id_file,
              ChannelIdFileBytes(CreateList(table.HashedRows(), options.channel_id_options)));
    PrintChannelIdFindings(CheckChannelIdList(table.HashedRows(), options.channel_id_options),
                           options.language, later);
  }
  if (!options.export_file.empty() && outcome.MayWrite(options.export_file, err)) {
    GuideExportReport report;
    files.Add(options.export_file,
              ListExportBytes(ListExportFor(table, *FormatForExtension(options.export_file),
                                            options.language, site_label),
                              report));
    for (const std::string& notice : ExportNotices(report, options.language)) {
      later << kPrefix << "warning: " << notice << "\n";
    }
  }
}

// Puts the prepared files in place, then says what waited for it; -1, or
// the exit code of a failure.
int CommitFiles(PreparedFiles& files, const std::ostringstream& later, Language language,
                std::ostream& err) {
  try {
    files.Commit();
  } catch (const std::exception& e) {
    SayFailure(err, FailureOf(e), language);
    return kExitFailed;
  }
  err << later.str();
  return -1;
}

int Load(const Options& options, std::ostream& out, std::ostream& err) {
  ChannelTable table;
  std::string site_label;
  LoadOutcome outcome;
  if (const int code = LoadTable(options, err, table, site_label, outcome); code >= 0) return code;
  // Every file is written before any is put in place: a run that fails
  // leaves all of them as they were.
  PreparedFiles files;
  std::ostringstream later;
  try {
    PrepareTableFiles(table, options, site_label, outcome, err, files, later);
  } catch (const std::exception& e) {
    SayFailure(err, FailureOf(e), options.language);
    return kExitFailed;
  }
  if (const int code = CommitFiles(files, later, options.language, err); code >= 0) return code;
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
    // The file's bytes are needed only to write it back with ids.
    if (options.write_playlist_file.empty()) std::string().swap(playlist.bytes);
  } catch (const PlaylistError& e) {
    PlaylistNotice notice = e.Notice();
    err << kPrefix << PlaylistNoticeLine(options.playlist_file, notice, options.language) << "\n";
    return kExitFailed;
  }
  for (const PlaylistNotice& warning : playlist.warnings) {
    err << kPrefix << "warning: "
        << PlaylistNoticeLine(options.playlist_file, warning, options.language) << "\n";
  }
  const Provider* provider = FindProviderByKeyOrIndex(options.provider);
  std::optional<ChannelMapping> mapping;
  if (provider && !options.mapping_file.empty()) {
    std::vector<MappingNotice> notices;
    try {
      mapping = ReadMappingFile(options.mapping_file, provider->key, &notices);
    } catch (const MappingError& e) {
      err << kPrefix << options.mapping_file << ": " << MappingErrorText(e, options.language)
          << "\n";
      return kExitFailed;
    }
    for (const MappingNotice& notice : notices) {
      err << kPrefix << "warning: " << options.mapping_file << ": "
          << MappingNoticeText(notice, options.language) << "\n";
    }
  }
  if (options.apply && options.channel_id_file.empty() && options.export_file.empty()) {
    err << kPrefix << "warning: "
        << (options.language == Language::kRu
                ? "--apply переименовывает каналы только для --channel-id и --export, а они не "
                  "заданы"
                : "--apply renames the channels only for --channel-id and --export, and neither "
                  "is given")
        << "\n";
  }
  ChannelTable table;
  std::string site_label;
  LoadOutcome outcome;
  if (const int code = LoadTable(options, err, table, site_label, outcome); code >= 0) return code;
  const ChannelRows rows = table.Rows();
  MatchRun run = MatchPlaylist(rows, playlist, options.match_options);
  if (mapping) ApplyMapping(*mapping, rows, run);

  // What comes of the run as matched, in the order the rows were loaded.
  std::string playlist_bytes;
  std::vector<PlaylistNotice> playlist_warnings;
  if (!options.write_playlist_file.empty()) {
    playlist_bytes =
        PlaylistWithIds(playlist, PlaylistIds(playlist, rows, run), &playlist_warnings);
  }
  std::string mapping_text;
  if (!options.save_mapping_file.empty()) {
    mapping_text = MappingText(MappingOf(provider->key, rows, run));
  }
  const std::size_t without_id = AcceptedWithoutId(rows, run);

  // --apply renames the table's rows, which then take their places in its
  // order by their new names, as in the window; the results are printed in
  // the order the files are written in.
  ChannelRows shown_rows;
  if (options.apply) {
    ApplyMatches(table, run);
    const ListedChannels listed = table.Listed();
    MatchRun results;  // without the names, which move over rather than being copied
    results.rows = std::move(run.rows);
    MatchRun ordered = RunInOrder(results, rows, listed);
    ordered.names = std::move(run.names);
    run = std::move(ordered);
    shown_rows.reserve(listed.size());
    for (const ListedChannel& channel : listed) {
      shown_rows.push_back({channel.provider_name, channel.row.code});
    }
  }
  const ChannelRows& results_rows = options.apply ? shown_rows : rows;

  PreparedFiles files;
  std::ostringstream later;
  try {
    if (mapping) {
      const RefreshReport report = CompareWithMapping(*mapping, results_rows);
      err << kPrefix << RefreshSummary(report, options.language) << "\n";
      if (!options.refresh_report_file.empty() &&
          outcome.MayWrite(options.refresh_report_file, err)) {
        files.Add(options.refresh_report_file, RefreshReportJson(report));
      }
    }
    if (!options.save_mapping_file.empty() && outcome.MayWrite(options.save_mapping_file, err)) {
      files.Add(options.save_mapping_file, mapping_text);
    }
    PrepareTableFiles(table, options, site_label, outcome, err, files, later);
    if (!options.write_playlist_file.empty() &&
        outcome.MayWrite(options.write_playlist_file, err)) {
      for (const PlaylistNotice& warning : playlist_warnings) {
        later << kPrefix << "warning: "
              << PlaylistNoticeLine(options.write_playlist_file, warning, options.language) << "\n";
      }
      files.Add(options.write_playlist_file, playlist_bytes);
    }
  } catch (const std::exception& e) {
    SayFailure(err, FailureOf(e), options.language);
    return kExitFailed;
  }
  if (const int code = CommitFiles(files, later, options.language, err); code >= 0) return code;

  const MatchFormat format = options.format == "json"  ? MatchFormat::kJson
                             : options.format == "tsv" ? MatchFormat::kTsv
                                                       : MatchFormat::kTable;
  PrintMatches(results_rows, run, format, options.language, out);
  err << kPrefix << MatchSummary(run.Counts(), options.language) << "\n";
  if (without_id > 0) {
    err << kPrefix << "warning: "
        << (options.language == Language::kRu
                ? "сопоставленных каналов без кода (их записи в плейлисте остаются без tvg-id): "
                : "matched channels without a code (their playlist entries get no tvg-id): ")
        << without_id << "\n";
  }
  return outcome.ExitCode();
}

int Providers(const Options& options, std::ostream& out) {
  const auto& providers = brelvik::Providers();
  for (std::size_t i = 0; i < providers.size(); ++i) {
    out << i << '\t' << providers[i].key;
    for (const auto& [name, url] : options.sites.AddressesOf(providers[i])) {
      out << '\t' << name << '=' << url;
    }
    out << "\n";
  }
  return kExitLoaded;
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               Language& language) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << kUsage;
      return kExitLoaded;
    }
    if (arg == "--version") {
      out << "brelvik-cli " << ProgramVersion() << "\n";
      return kExitLoaded;
    }
  }
  Options options;
  const std::string error = Parse(args, options);
  language = options.language;
  if (!error.empty()) {
    err << kPrefix << error << "\n" << kPrefix << "\"brelvik-cli --help\" lists the options\n";
    return kExitUsage;
  }
  if (options.command == "providers") return Providers(options, out);
  if (options.command == "match") return Match(options, out, err);
  return Load(options, out, err);
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Language language = Language::kRu;
  const int code = RunCommand(args, out, err, language);
  // Whatever the command, output that did not reach its destination (a full
  // disk, a closed descriptor) is a failure, not a success said to nobody.
  // errno still holds the reason of a write that failed before the flush.
  if (!out.fail()) {
    errno = 0;
    out.flush();
  }
  if (out.fail()) {
    const int error = errno != 0 ? errno : EIO;
    SayFailure(err, Failure(FailureKind::kOutputWrite, {}, {}, 0, error), language);
    return code == kExitLoaded ? kExitFailed : code;
  }
  return code;
}

}  // namespace brelvik
