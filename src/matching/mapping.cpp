// The mapping file, applying it to a fresh match, and the refresh report.
//
// The file is tab-separated text with a few header lines: a user can read it,
// diff two of them, and correct a line in any editor or spreadsheet, and it
// needs no parser beyond splitting lines. A tab, line break or backslash
// inside a field is written as \t, \n, \r or \\.
#include "matching/mapping.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "matching/match_outputs.h"
#include "support/codepage.h"
#include "support/failure.h"
#include "support/file_write.h"
#include "support/json_text.h"

namespace brelvik {

namespace {

constexpr std::string_view kMagic = "brelvik-mapping";
constexpr std::string_view kColumns = "code\tprovider_name\tplaylist_name\tdecision";

std::string Escaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (const char c : field) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view field, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    if (++i == field.size()) return false;
    switch (field[i]) {
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        return false;
    }
  }
  return true;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

std::string_view DecisionName(Decision decision) {
  switch (decision) {
    case Decision::kAutomatic:
      return "auto";
    case Decision::kUser:
      return "user";
    case Decision::kFurther:
      return "also";
    case Decision::kFurtherUser:
      return "also-user";
    case Decision::kDetached:
      return "not";
  }
  return "auto";
}

std::optional<Decision> DecisionOf(std::string_view text, int version) {
  for (const Decision d : {Decision::kAutomatic, Decision::kUser, Decision::kFurther,
                           Decision::kFurtherUser, Decision::kDetached}) {
    if (text == DecisionName(d) && (version >= 2 || d <= Decision::kUser)) return d;
  }
  return std::nullopt;
}

[[noreturn]] void Damaged(std::size_t line, std::string_view what) {
  throw MappingError(
      MappingProblem::kDamaged,
      (line ? "line " + std::to_string(line) + ": " : std::string()) + std::string(what));
}

}  // namespace

MappingError::MappingError(MappingProblem problem, std::string detail, int error_number)
    : std::runtime_error(
          detail.empty() && error_number ? std::generic_category().message(error_number) : detail),
      problem_(problem),
      detail_(std::move(detail)),
      error_number_(error_number) {}

std::string MappingErrorText(const MappingError& error, Language language) {
  const bool ru = language == Language::kRu;
  std::string text;
  switch (error.Problem()) {
    case MappingProblem::kCannotRead:
      text = ru ? "не удаётся прочитать файл сопоставления" : "cannot read the mapping file";
      break;
    case MappingProblem::kDamaged:
      text = ru ? "файл сопоставления повреждён" : "the mapping file is damaged";
      break;
    case MappingProblem::kNewerFormat:
      text = ru ? "файл сопоставления записан более новой версией программы"
                : "the mapping file was written by a newer version of the program";
      break;
    case MappingProblem::kOtherProvider:
      text = ru ? "файл сопоставления относится к другому провайдеру"
                : "the mapping file belongs to another provider";
      break;
    case MappingProblem::kNotAFile:
      text = ru ? "файл сопоставления не обычный файл" : "the mapping is not a regular file";
      break;
    case MappingProblem::kTooLarge:
      text = ru ? "файл сопоставления больше 64 МиБ; такие файлы не читаются"
                : "the mapping file is larger than 64 MiB; such files are not read";
      break;
  }
  if (error.ErrorNumber() != 0)
    text +=
        ": " + (error.ErrorNumber() == ENOENT
                    ? std::string(language == Language::kRu ? "нет такого файла" : "no such file")
                    : SystemReason(error.ErrorNumber(), language));
  if (error.Problem() == MappingProblem::kOtherProvider) {
    const std::string& detail = error.Detail();
    const std::size_t tab = detail.find('\t');
    if (tab != std::string::npos) {
      const std::string file = detail.substr(0, tab), wanted = detail.substr(tab + 1);
      return text + (ru ? ": «" + file + "», а не «" + wanted + "»"
                        : ": “" + file + "”, not “" + wanted + "”");
    }
  }
  if (!error.Detail().empty()) text += ": " + error.Detail();
  return text;
}

std::string MappingText(const ChannelMapping& mapping) {
  std::string text =
      "# Brelvik channel mapping: the playlist name each channel of a provider takes.\n"
      "# Columns: the provider's code, the provider's name when saved, the playlist\n"
      "# name (empty: no match) and who decided (auto: the matcher; user: you).\n"
      "# Further lines of a code: another playlist name of the channel (also: the\n"
      "# matcher's; also-user: yours) or a name you detached from it (not).\n"
      "# Tab-separated; \\t, \\n, \\r and \\\\ stand for a tab, line breaks and a backslash.\n";
  text += std::string(kMagic) + "\t" + std::to_string(kMappingFormat) + "\n";
  text += "provider\t" + Escaped(mapping.provider) + "\n";
  text += std::string(kColumns) + "\n";
  for (const MappingEntry& e : mapping.entries) {
    text += Escaped(e.code) + "\t" + Escaped(e.provider_name) + "\t" + Escaped(e.playlist_name) +
            "\t" + std::string(DecisionName(e.decision)) + "\n";
  }
  return text;
}

ChannelMapping ParseMapping(std::string_view text, std::vector<MappingNotice>* notices) {
  // Editors and spreadsheets put a byte-order mark before UTF-8 text.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (!IsValidUtf8(text)) Damaged(0, "not UTF-8 text");
  std::unordered_map<std::string, std::size_t> user_line_of_code;
  ChannelMapping mapping;
  int stage = 0;  // 0: expects the format line, 1: the provider, 2: the columns, 3: entries
  int version = 0;
  std::size_t number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::vector<std::string_view> fields = Fields(line);
    if (stage == 0) {
      if (fields.size() != 2 || fields[0] != kMagic) Damaged(number, "not a mapping file");
      for (const char c : fields[1]) {
        if (c < '0' || c > '9' || version > 100000) Damaged(number, "bad format version");
        version = version * 10 + (c - '0');
      }
      if (fields[1].empty() || version < 1) Damaged(number, "bad format version");
      if (version > kMappingFormat) {
        throw MappingError(MappingProblem::kNewerFormat, "format " + std::to_string(version) +
                                                             ", this program reads " +
                                                             std::to_string(kMappingFormat));
      }
      stage = 1;
    } else if (stage == 1) {
      if (fields.size() != 2 || fields[0] != "provider" || !Unescape(fields[1], mapping.provider) ||
          mapping.provider.empty()) {
        Damaged(number, "no provider line");
      }
      stage = 2;
    } else if (stage == 2) {
      if (line != kColumns) Damaged(number, "no column line");
      stage = 3;
    } else {
      if (fields.size() != 4) Damaged(number, "a line needs four fields");
      MappingEntry entry;
      if (!Unescape(fields[0], entry.code) || !Unescape(fields[1], entry.provider_name) ||
          !Unescape(fields[2], entry.playlist_name)) {
        Damaged(number, "bad escape");
      }
      const std::optional<Decision> decision = DecisionOf(fields[3], version);
      if (!decision) {
        Damaged(number, version >= 2 ? "the decision must be auto, user, also, also-user or not"
                                     : "the decision must be auto or user");
      }
      entry.decision = *decision;
      if (entry.decision >= Decision::kFurther && entry.playlist_name.empty()) {
        Damaged(number, "a further or detached name cannot be empty");
      }
      if (entry.decision == Decision::kUser) {
        const auto [first, added] = user_line_of_code.try_emplace(entry.code, number);
        if (!added && notices) notices->push_back({entry.code, first->second, number});
      }
      mapping.entries.push_back(std::move(entry));
    }
  }
  if (stage < 3) Damaged(0, "the file ends before its column line");
  return mapping;
}

ChannelMapping ReadMappingFile(const std::filesystem::path& path, std::string_view provider,
                               std::vector<MappingNotice>* notices) {
  // The callers name the file beside the error, so the error does not. A
  // FIFO is opened without waiting for a writer, and refused.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw MappingError(MappingProblem::kCannotRead, {}, errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) throw MappingError(MappingProblem::kCannotRead, {}, errno);
  if (S_ISDIR(info.st_mode)) throw MappingError(MappingProblem::kCannotRead, {}, EISDIR);
  if (!S_ISREG(info.st_mode)) throw MappingError(MappingProblem::kNotAFile, {});
  if (static_cast<std::uint64_t>(info.st_size) > kMaxMappingBytes) {
    throw MappingError(MappingProblem::kTooLarge, {});
  }
  // A file that grows meanwhile is read up to the cap and no further.
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw MappingError(MappingProblem::kCannotRead, {}, errno);
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kMaxMappingBytes) throw MappingError(MappingProblem::kTooLarge, {});
  }
  ChannelMapping mapping = ParseMapping(bytes, notices);
  if (mapping.provider != provider) {
    // The two keys; the text around them is the language's.
    throw MappingError(MappingProblem::kOtherProvider, mapping.provider + "\t" + std::string(provider));
  }
  return mapping;
}

std::string MappingNoticeText(const MappingNotice& notice, Language language) {
  const std::string first = std::to_string(notice.first_line);
  const std::string line = std::to_string(notice.line);
  if (language == Language::kRu) {
    return "строки " + first + " и " + line + " обе содержат ваше решение для кода «" +
           notice.code + "»: канал с этим кодом получит решение со своим названием провайдера, " +
           "а если такого нет, строки " + first;
  }
  return "lines " + first + " and " + line + " both hold your decision for code “" + notice.code +
         "”: a channel of that code takes the one with its provider name, else line " + first;
}

void SaveMappingFile(const std::filesystem::path& path, const ChannelMapping& mapping) {
  WriteFileAtomically(path, MappingText(mapping));
}

ChannelMapping MappingOf(std::string_view provider, const ChannelRows& rows, const MatchRun& run) {
  ChannelMapping mapping;
  mapping.provider = std::string(provider);
  mapping.entries.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size() && r < run.rows.size(); ++r) {
    const RowMatch& m = run.rows[r];
    MappingEntry entry;
    entry.code = rows[r].code;
    entry.provider_name = rows[r].name;
    const bool named =
        m.name && (m.by_user || m.status == MatchStatus::kExact || m.status == MatchStatus::kAuto);
    if (named) entry.playlist_name = run.names[*m.name].name;
    entry.decision = m.by_user ? Decision::kUser : Decision::kAutomatic;
    mapping.entries.push_back(entry);
    for (const FurtherName& further : m.also) {
      entry.playlist_name = run.names[further.name].name;
      entry.decision = further.by_user ? Decision::kFurtherUser : Decision::kFurther;
      mapping.entries.push_back(entry);
    }
    for (const std::size_t name : m.detached) {
      entry.playlist_name = run.names[name].name;
      entry.decision = Decision::kDetached;
      mapping.entries.push_back(entry);
    }
  }
  return mapping;
}

void ApplyMapping(const ChannelMapping& mapping, const ChannelRows& rows, MatchRun& run) {
  std::unordered_map<std::string_view, std::vector<const MappingEntry*>> by_code;
  std::unordered_map<std::string_view, std::vector<const MappingEntry*>> further_by_code;
  std::unordered_map<std::string_view, const MappingEntry*> by_name;
  for (const MappingEntry& e : mapping.entries) {
    if (e.decision == Decision::kFurtherUser || e.decision == Decision::kDetached) {
      further_by_code[e.code].push_back(&e);
    }
    if (e.decision != Decision::kUser) continue;
    by_code[e.code].push_back(&e);
    by_name.emplace(e.provider_name, &e);
  }
  std::unordered_set<std::string_view> codes_now;
  for (const ChannelRow& row : rows) codes_now.insert(row.code);
  std::unordered_map<std::string_view, std::size_t> name_index;
  for (std::size_t i = 0; i < run.names.size(); ++i) name_index.emplace(run.names[i].name, i);

  for (std::size_t r = 0; r < rows.size() && r < run.rows.size(); ++r) {
    const MappingEntry* decided = nullptr;
    if (const auto it = by_code.find(rows[r].code); it != by_code.end()) {
      decided = it->second.front();
      for (const MappingEntry* e : it->second) {
        if (e->provider_name == rows[r].name) decided = e;
      }
    }
    RowMatch& match = run.rows[r];
    if (decided) {
      if (decided->playlist_name.empty()) {
        DecideByUser(run, r, std::nullopt, rows[r].name, false);
      } else if (const auto it = name_index.find(decided->playlist_name); it != name_index.end()) {
        DecideByUser(run, r, it->second, rows[r].name, false);
      } else {
        match.status = MatchStatus::kReview;
        match.by_user = false;
        match.also.clear();
        match.reason = MatchReason{};
        match.reason.kind = ReasonKind::kMappedNameGone;
        match.reason.other = decided->playlist_name;
      }
      continue;
    }
    // The name the user decided on, now under a code the mapping does not
    // know, while its old code is gone: most likely the same channel.
    const auto moved = by_name.find(rows[r].name);
    if (moved == by_name.end() || codes_now.count(moved->second->code)) continue;
    match.status = MatchStatus::kReview;
    match.by_user = false;
    match.also.clear();
    if (const auto it = name_index.find(moved->second->playlist_name); it != name_index.end()) {
      match.name = it->second;
    }
    match.reason = MatchReason{};
    match.reason.kind = ReasonKind::kCodeChanged;
    match.reason.other = moved->second->code;
  }
  // The user's further names and detached names, by code (and by the
  // provider's name where rows share a code).
  std::unordered_set<std::string_view> first_of_code;
  for (std::size_t r = 0; r < rows.size() && r < run.rows.size(); ++r) {
    const auto it = further_by_code.find(rows[r].code);
    if (it == further_by_code.end()) continue;
    const bool first = first_of_code.insert(rows[r].code).second;
    RowMatch& match = run.rows[r];
    for (const MappingEntry* e : it->second) {
      if (e->provider_name != rows[r].name && !first) continue;
      const auto name = name_index.find(e->playlist_name);
      if (name == name_index.end()) continue;
      if (e->decision == Decision::kDetached) {
        if (std::find(match.detached.begin(), match.detached.end(), name->second) ==
            match.detached.end()) {
          match.detached.push_back(name->second);
        }
        continue;
      }
      for (RowMatch& other : run.rows) {
        std::erase_if(other.also, [&](const FurtherName& f) { return f.name == name->second; });
      }
      FurtherName further;
      further.name = name->second;
      further.by_user = true;
      further.reason.kind = ReasonKind::kUserChoice;
      match.also.push_back(std::move(further));
    }
  }
  UpdateFurtherNames(run);
}

RefreshReport CompareWithMapping(const ChannelMapping& mapping, const ChannelRows& rows) {
  RefreshReport report;
  std::unordered_map<std::string_view, std::vector<const MappingEntry*>> then;
  for (const MappingEntry& e : mapping.entries) then[e.code].push_back(&e);
  std::unordered_map<std::string_view, std::vector<const ChannelRow*>> now;
  for (const ChannelRow& row : rows) now[row.code].push_back(&row);

  std::vector<const ChannelRow*> added;
  for (const ChannelRow& row : rows) {
    const auto it = then.find(row.code);
    if (it == then.end()) {
      added.push_back(&row);
      continue;
    }
    // Same code: renamed when the name is none of the code's names then.
    bool known = false;
    for (const MappingEntry* e : it->second) known = known || e->provider_name == row.name;
    if (!known) report.renamed.push_back({row.code, row.name, it->second.front()->provider_name});
  }
  std::vector<const MappingEntry*> gone;
  std::unordered_set<std::string_view> seen_gone;
  for (const MappingEntry& e : mapping.entries) {
    if (!now.count(e.code) && seen_gone.insert(e.code).second) gone.push_back(&e);
  }
  // A gone code whose name is back under a new code: the code changed.
  std::unordered_map<std::string_view, const MappingEntry*> gone_by_name;
  for (const MappingEntry* e : gone) gone_by_name.emplace(e->provider_name, e);
  std::unordered_set<const MappingEntry*> moved;
  for (const ChannelRow* row : added) {
    const auto it = gone_by_name.find(row->name);
    if (it != gone_by_name.end() && !moved.count(it->second)) {
      report.code_changed.push_back({row->name, row->code, it->second->code});
      moved.insert(it->second);
    } else {
      report.added.push_back({row->code, row->name});
    }
  }
  for (const MappingEntry* e : gone) {
    if (!moved.count(e)) report.gone.push_back({e->code, e->provider_name});
  }
  return report;
}

std::string RefreshReportJson(const RefreshReport& report) {
  std::string json = "{\"new\": [";
  const auto pairs = [&json](const std::vector<RefreshReport::Channel>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
      json += (i ? ", " : "") + std::string("{\"code\": ") + JsonString(list[i].code) +
              ", \"name\": " + JsonString(list[i].name) + "}";
    }
  };
  pairs(report.added);
  json += "], \"gone\": [";
  pairs(report.gone);
  json += "], \"renamed\": [";
  for (std::size_t i = 0; i < report.renamed.size(); ++i) {
    const auto& r = report.renamed[i];
    json += (i ? ", " : "") + std::string("{\"code\": ") + JsonString(r.code) +
            ", \"name\": " + JsonString(r.name) +
            ", \"previous_name\": " + JsonString(r.previous_name) + "}";
  }
  json += "], \"code_changed\": [";
  for (std::size_t i = 0; i < report.code_changed.size(); ++i) {
    const auto& c = report.code_changed[i];
    json += (i ? ", " : "") + std::string("{\"name\": ") + JsonString(c.name) +
            ", \"code\": " + JsonString(c.code) +
            ", \"previous_code\": " + JsonString(c.previous_code) + "}";
  }
  return json + "]}\n";
}

std::string RefreshSummary(const RefreshReport& report, Language language) {
  const bool ru = language == Language::kRu;
  return std::string(ru ? "после сохранения сопоставления: новых " : "since the mapping: ") +
         std::to_string(report.added.size()) + (ru ? ", исчезло " : " new, ") +
         std::to_string(report.gone.size()) + (ru ? ", переименовано " : " gone, ") +
         std::to_string(report.renamed.size()) + (ru ? ", сменили код " : " renamed, ") +
         std::to_string(report.code_changed.size()) + (ru ? "" : " code changed");
}

}  // namespace brelvik
