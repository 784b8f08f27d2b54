// Reading M3U playlists and lists of names, and writing tvg-id into them
// without touching any other byte.
#include "matching/playlist.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "support/codepage.h"
#include "support/failure.h"
#include "support/text.h"

namespace brelvik {

namespace {

struct NoticeTexts {
  std::string_view ru;
  std::string_view en;
};

NoticeTexts TextsOf(PlaylistProblem problem) {
  switch (problem) {
    case PlaylistProblem::kCannotRead:
      return {"не удаётся прочитать плейлист", "cannot read the playlist"};
    case PlaylistProblem::kNotAFile:
      return {"плейлист не обычный файл", "the playlist is not a regular file"};
    case PlaylistProblem::kEmpty:
      return {"плейлист пуст", "the playlist is empty"};
    case PlaylistProblem::kTooLarge:
      return {"плейлист больше 256 МиБ; такие файлы не читаются",
              "the playlist is larger than 256 MiB; such files are not read"};
    case PlaylistProblem::kNulByte:
      return {"в плейлисте нулевой байт: это не текстовый файл",
              "the playlist holds a NUL byte: it is not a text file"};
    case PlaylistProblem::kUtf16:
      return {"плейлист в кодировке UTF-16; сохраните его в UTF-8",
              "the playlist is in UTF-16; save it as UTF-8"};
    case PlaylistProblem::kNoEntries:
      return {"в плейлисте нет ни одного канала", "the playlist holds no channel"};
    case PlaylistProblem::kIsMapping:
      return {"это сохранённое сопоставление, а не плейлист: откройте его кнопкой «Открыть "
              "сопоставление...» или параметром --mapping",
              "this is a saved mapping, not a playlist: open it with “Open mapping...” or "
              "--mapping"};
    case PlaylistProblem::kNotAPlaylist:
      return {"это не плейлист: в нём нет строк #EXTINF, а строки разделены табуляцией на "
              "столбцы",
              "this is not a playlist: it has no #EXTINF line, and its lines are columns "
              "separated by tabs"};
    case PlaylistProblem::kNotM3u:
      return {"список названий не плейлист M3U: в нём негде записать tvg-id",
              "a list of names is not an M3U playlist: it has no place for tvg-id"};
    case PlaylistProblem::kExtinfWithoutUrl:
      return {"строка #EXTINF без адреса потока", "#EXTINF line without a stream address"};
    case PlaylistProblem::kUrlWithoutExtinf:
      return {"адрес потока без строки #EXTINF перед ним",
              "stream address without an #EXTINF line before it"};
    case PlaylistProblem::kUnterminatedQuote:
      return {"незакрытая кавычка в строке #EXTINF", "unterminated quote in the #EXTINF line"};
    case PlaylistProblem::kNoName:
      return {"у канала нет названия; он пропущен", "the entry has no name; it is skipped"};
    case PlaylistProblem::kNameCut:
      return {"название длиннее 200 символов; оно обрезано",
              "the name is longer than 200 characters; it is cut"};
    case PlaylistProblem::kReadAsCp1251:
      return {"прочитан как Windows-1251", "read as Windows-1251"};
    case PlaylistProblem::kIdNotWritable:
      return {"код нельзя записать в tvg-id этой строки, не изменив её чтения; строка оставлена как "
              "была",
              "the code cannot go into this line's tvg-id without changing how the line reads; "
              "the line is left as it was"};
    case PlaylistProblem::kIdNotInCodePage:
      return {"в кодировке плейлиста (Windows-1251) нет символов кода; они записаны как \"?\"",
              "the playlist's code page (Windows-1251) lacks characters of the code; they are "
              "written as \"?\""};
  }
  return {"", ""};
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view upper_prefix) {
  if (text.size() < upper_prefix.size()) return false;
  for (std::size_t i = 0; i < upper_prefix.size(); ++i) {
    if (AsciiUpper(text[i]) != upper_prefix[i]) return false;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A line of the file: its bytes without the line end, and where they start.
struct Line {
  std::string_view text;
  std::size_t offset;
  std::size_t number;  // 1-based
};

// The lines of a text one after the other, without holding them all: a
// playlist of a million entries has two million lines.
class Lines {
 public:
  Lines(std::string_view bytes, std::size_t base) : bytes_(bytes), base_(base) {}

  bool Next(Line& line) {
    if (start_ >= bytes_.size()) return false;
    std::size_t end = start_;
    while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n') ++end;
    line = {bytes_.substr(start_, end - start_), base_ + start_, number_++};
    if (end < bytes_.size() && bytes_[end] == '\r' && end + 1 < bytes_.size() &&
        bytes_[end + 1] == '\n') {
      ++end;
    }
    start_ = end + 1;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t base_;
  std::size_t start_ = 0;
  std::size_t number_ = 1;
};

// The parts of an #EXTINF line that matter here.
struct ExtinfLine {
  std::string_view title;
  std::string_view tvg_name;
  std::string_view tvg_id;
  std::string_view group;
  std::size_t insert_at = 0;  // offsets within the line
  bool insert_before_attribute = false;
  std::size_t id_begin = 0;
  std::size_t id_end = 0;
  bool has_id = false;
  bool unterminated_quote = false;
};

bool IsAttributeNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == ':' || c == '.';
}

// `line` starts with "#EXTINF:" in any letter case.
ExtinfLine ParseExtinf(std::string_view line) {
  ExtinfLine out;
  std::size_t i = 8;
  while (i < line.size() && IsBlank(line[i])) ++i;
  std::size_t word_end = i;
  while (word_end < line.size() && !IsBlank(line[word_end]) && line[word_end] != ',') ++word_end;
  if (line.substr(i, word_end - i).find('=') != std::string_view::npos) {
    // No duration: the attributes start at once ("#EXTINF:tvg-id=...").
    out.insert_before_attribute = true;
  } else {
    i = word_end;  // past the duration, which may be missing ("#EXTINF:,Name")
  }
  out.insert_at = i;

  // The title follows the last comma outside double quotes.
  std::size_t last_comma = std::string_view::npos;
  std::size_t open_quote = std::string_view::npos;
  bool in_quote = false;
  for (std::size_t k = i; k < line.size(); ++k) {
    if (line[k] == '"') {
      in_quote = !in_quote;
      if (in_quote) open_quote = k;
    } else if (line[k] == ',' && !in_quote) {
      last_comma = k;
    }
  }
  std::size_t attributes_end = last_comma == std::string_view::npos ? line.size() : last_comma;
  if (in_quote && last_comma == std::string_view::npos) {
    // A quote opened among the attributes and never closed: the title is
    // whatever follows the line's last comma, quotes or not.
    out.unterminated_quote = true;
    const std::size_t comma = line.rfind(',');
    if (comma != std::string_view::npos && comma >= i) {
      last_comma = comma;
      attributes_end = open_quote;
    }
  }
  if (last_comma != std::string_view::npos) out.title = line.substr(last_comma + 1);

  // key=value, key="value" pairs, separated by blanks.
  std::size_t k = i;
  while (k < attributes_end) {
    while (k < attributes_end && IsBlank(line[k])) ++k;
    const std::size_t name_begin = k;
    while (k < attributes_end && IsAttributeNameChar(line[k])) ++k;
    const std::string_view name = line.substr(name_begin, k - name_begin);
    if (name.empty() || k >= attributes_end || line[k] != '=') {
      // Not an attribute: skip the word.
      while (k < attributes_end && !IsBlank(line[k])) ++k;
      continue;
    }
    ++k;
    const std::size_t value_begin = k;
    std::string_view value;
    if (k < attributes_end && line[k] == '"') {
      std::size_t close = line.find('"', k + 1);
      if (close == std::string_view::npos || close >= attributes_end) close = attributes_end;
      value = line.substr(k + 1, close - (k + 1));
      k = close < attributes_end ? close + 1 : attributes_end;
    } else {
      while (k < attributes_end && !IsBlank(line[k])) ++k;
      value = line.substr(value_begin, k - value_begin);
    }
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "tvg-name") {
      out.tvg_name = value;
    } else if (lower == "tvg-id") {
      out.tvg_id = value;
      out.has_id = true;
      out.id_begin = value_begin;
      out.id_end = k;
    } else if (lower == "group-title") {
      out.group = value;
    }
  }
  return out;
}

bool LooksLikeAddress(std::string_view line) {
  return line.find("://") != std::string_view::npos && line.find(' ') == std::string_view::npos;
}

[[noreturn]] void Refuse(PlaylistProblem problem, std::size_t line = 0, std::string detail = {},
                         int error_number = 0) {
  throw PlaylistError({problem, line, std::move(detail), error_number});
}

}  // namespace

std::string PlaylistNoticeText(const PlaylistNotice& notice, Language language) {
  const NoticeTexts texts = TextsOf(notice.problem);
  std::string text(language == Language::kRu ? texts.ru : texts.en);
  if (notice.problem == PlaylistProblem::kReadAsCp1251) {
    text += language == Language::kRu ? ": строка " + std::to_string(notice.line) + " не в UTF-8"
                                      : ": line " + std::to_string(notice.line) + " is not UTF-8";
  }
  if (notice.error_number != 0)
    text +=
        ": " + (notice.error_number == ENOENT
                    ? std::string(language == Language::kRu ? "нет такого файла" : "no such file")
                    : SystemReason(notice.error_number, language));
  if (!notice.detail.empty()) text += ": " + notice.detail;
  return text;
}

PlaylistError::PlaylistError(PlaylistNotice notice)
    : std::runtime_error(PlaylistNoticeText(notice, Language::kEn)), notice_(std::move(notice)) {}

Playlist ParsePlaylist(std::string bytes) {
  Playlist playlist;
  playlist.bytes = std::move(bytes);
  std::string_view content = playlist.bytes;
  if (content.size() > kMaxPlaylistBytes) Refuse(PlaylistProblem::kTooLarge);
  if (content.size() >= 2 && ((content[0] == '\xFF' && content[1] == '\xFE') ||
                              (content[0] == '\xFE' && content[1] == '\xFF'))) {
    Refuse(PlaylistProblem::kUtf16);
  }
  std::size_t base = 0;
  if (content.substr(0, 3) == "\xEF\xBB\xBF") {
    playlist.encoding = PlaylistEncoding::kUtf8Bom;
    content.remove_prefix(3);
    base = 3;
  }
  if (const std::size_t nul = content.find('\0'); nul != std::string_view::npos) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < nul; ++i) {
      if (content[i] == '\n' || (content[i] == '\r' && (i + 1 >= nul || content[i + 1] != '\n'))) {
        ++line;
      }
    }
    Refuse(PlaylistProblem::kNulByte, line);
  }
  if (TrimView(content).empty()) Refuse(PlaylistProblem::kEmpty);
  if (!IsValidUtf8(content)) playlist.encoding = PlaylistEncoding::kCp1251;
  const bool cp1251 = playlist.encoding == PlaylistEncoding::kCp1251;
  const auto text_of = [cp1251](std::string_view raw) {
    const std::string_view trimmed = TrimView(raw);
    return cp1251 ? Cp1251ToUtf8(trimmed) : std::string(trimmed);
  };

  if (cp1251) {
    // One pasted line decides the whole file's reading: say which.
    Lines lines(content, base);
    for (Line line; lines.Next(line);) {
      if (!IsValidUtf8(line.text)) {
        playlist.warnings.push_back({PlaylistProblem::kReadAsCp1251, line.number, {}});
        break;
      }
    }
  }
  playlist.kind = PlaylistKind::kNameList;
  Lines kind_lines(content, base);
  for (Line line; kind_lines.Next(line);) {
    const std::string_view text = TrimView(line.text);
    if (StartsWithNoCase(text, "#EXTM3U") || StartsWithNoCase(text, "#EXTINF:")) {
      playlist.kind = PlaylistKind::kM3u;
      break;
    }
  }

  std::size_t entries_seen = 0;
  auto add_entry = [&playlist, &entries_seen](PlaylistEntry entry) {
    entry.index = entries_seen++;
    if (entry.name.empty()) {
      playlist.warnings.push_back({PlaylistProblem::kNoName, entry.line, {}});
      return;
    }
    if (entry.name.size() > kMaxPlaylistNameChars &&
        Utf8Length(entry.name) > kMaxPlaylistNameChars) {
      entry.name = Utf8Truncate(entry.name, kMaxPlaylistNameChars);
      playlist.warnings.push_back({PlaylistProblem::kNameCut, entry.line, {}});
    }
    playlist.entries.push_back(std::move(entry));
  };

  if (playlist.kind == PlaylistKind::kNameList) {
    // A list of names has one name a line: a saved mapping or a table of
    // tab-separated columns is no playlist, whatever its lines would read as.
    Lines check(content, base);
    std::size_t named = 0, tabbed = 0;
    for (Line line; check.Next(line);) {
      const std::string_view text = TrimView(line.text);
      if (text.starts_with("brelvik-mapping\t") || text.starts_with("# Brelvik channel mapping")) {
        Refuse(PlaylistProblem::kIsMapping);
      }
      if (text.empty() || text.front() == '#') continue;
      ++named;
      if (line.text.find('\t') != std::string_view::npos) ++tabbed;
    }
    if (tabbed > 0 && tabbed * 2 >= named) Refuse(PlaylistProblem::kNotAPlaylist);
  }

  Lines lines(content, base);
  if (playlist.kind == PlaylistKind::kNameList) {
    for (Line line; lines.Next(line);) {
      const std::string_view text = TrimView(line.text);
      if (text.empty() || text.front() == '#') continue;
      if (LooksLikeAddress(text)) {
        playlist.warnings.push_back({PlaylistProblem::kUrlWithoutExtinf, line.number, {}});
        continue;
      }
      PlaylistEntry entry;
      entry.line = line.number;
      entry.name = entry.title = text_of(text);
      add_entry(std::move(entry));
    }
  } else {
    bool pending = false;
    PlaylistEntry entry;
    std::string next_group;  // from #EXTGRP, for the entry that follows
    auto finish = [&](bool has_url) {
      if (!has_url)
        playlist.warnings.push_back({PlaylistProblem::kExtinfWithoutUrl, entry.line, {}});
      add_entry(std::move(entry));
      entry = PlaylistEntry{};
      pending = false;
    };
    for (Line line; lines.Next(line);) {
      std::string_view text = line.text;
      std::size_t lead = 0;
      while (lead < text.size() && IsBlank(text[lead])) ++lead;
      text.remove_prefix(lead);
      if (TrimView(text).empty()) continue;
      if (StartsWithNoCase(text, "#EXTINF:")) {
        if (pending) finish(false);
        const ExtinfLine extinf = ParseExtinf(text);
        const std::size_t at = line.offset + lead;
        entry.line = line.number;
        entry.title = text_of(extinf.title);
        const std::string tvg_name = text_of(extinf.tvg_name);
        entry.name = tvg_name.empty() ? entry.title : tvg_name;
        entry.tvg_id = text_of(extinf.tvg_id);
        entry.group = extinf.group.empty() ? next_group : text_of(extinf.group);
        entry.has_id = extinf.has_id;
        entry.id_value_begin = at + extinf.id_begin;
        entry.id_value_end = at + extinf.id_end;
        entry.insert_at = at + extinf.insert_at;
        entry.insert_before_attribute = extinf.insert_before_attribute;
        if (extinf.unterminated_quote) {
          playlist.warnings.push_back({PlaylistProblem::kUnterminatedQuote, line.number, {}});
        }
        next_group.clear();
        pending = true;
      } else if (StartsWithNoCase(text, "#EXTGRP:")) {
        next_group = text_of(text.substr(8));
        if (pending) entry.group = next_group;
      } else if (text.front() == '#') {
        continue;  // #EXTM3U, #EXTVLCOPT, #KODIPROP, comments
      } else if (pending) {
        entry.url = std::string(TrimView(text));
        finish(true);
      } else {
        playlist.warnings.push_back({PlaylistProblem::kUrlWithoutExtinf, line.number, {}});
      }
    }
    if (pending) finish(false);
  }
  if (playlist.entries.empty()) Refuse(PlaylistProblem::kNoEntries);
  return playlist;
}

// The callers name the file beside the notice, so the notices do not.
Playlist ReadPlaylistFile(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) Refuse(PlaylistProblem::kCannotRead, 0, {}, errno);
  if (S_ISDIR(info.st_mode)) Refuse(PlaylistProblem::kCannotRead, 0, {}, EISDIR);
  if (!S_ISREG(info.st_mode)) Refuse(PlaylistProblem::kNotAFile);
  if (static_cast<std::uint64_t>(info.st_size) > kMaxPlaylistBytes) {
    Refuse(PlaylistProblem::kTooLarge);
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) Refuse(PlaylistProblem::kCannotRead, 0, {}, errno ? errno : EACCES);
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(info.st_size));
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  // A file that grew since stat() is read up to the cap and no further.
  char extra[4096];
  while (in.read(extra, sizeof extra) || in.gcount() > 0) {
    bytes.append(extra, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxPlaylistBytes) Refuse(PlaylistProblem::kTooLarge);
  }
  if (in.bad()) Refuse(PlaylistProblem::kCannotRead, 0, {}, EIO);
  return ParsePlaylist(std::move(bytes));
}

std::string PlaylistWithIds(const Playlist& playlist, const std::vector<std::string>& ids,
                            std::vector<PlaylistNotice>* warnings) {
  if (playlist.kind != PlaylistKind::kM3u) Refuse(PlaylistProblem::kNotM3u);
  const std::string_view bytes = playlist.bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t copied = 0;
  for (std::size_t i = 0; i < playlist.entries.size() && i < ids.size(); ++i) {
    if (ids[i].empty()) continue;
    const PlaylistEntry& entry = playlist.entries[i];
    std::string id = ids[i];
    if (playlist.encoding == PlaylistEncoding::kCp1251) {
      std::string encoded = Utf8ToCp1251(id);
      if (Cp1251ToUtf8(encoded) != id && warnings) {
        warnings->push_back({PlaylistProblem::kIdNotInCodePage, entry.line, id});
      }
      id = std::move(encoded);
    }
    // The new id replaces the old value, or goes in as an attribute.
    const std::size_t begin = entry.has_id ? entry.id_value_begin : entry.insert_at;
    const std::size_t end = entry.has_id ? entry.id_value_end : entry.insert_at;
    std::string piece;
    if (!entry.has_id && !entry.insert_before_attribute) piece += ' ';
    if (!entry.has_id) piece += "tvg-id=";
    piece += '"';
    piece += id;
    piece += '"';
    if (!entry.has_id && entry.insert_before_attribute) piece += ' ';
    // The line must read as before with the new id: an id with a quote in
    // it, or an old value whose quotes the rest of the line leans on, would
    // change the entry's name. Such an entry keeps its line, and is named.
    std::size_t line_begin = bytes.find_last_of("\r\n", begin == 0 ? 0 : begin - 1);
    line_begin = line_begin == std::string_view::npos || begin == 0 ? 0 : line_begin + 1;
    std::size_t line_end = bytes.find_first_of("\r\n", end);
    if (line_end == std::string_view::npos) line_end = bytes.size();
    while (line_begin < begin && !StartsWithNoCase(bytes.substr(line_begin), "#EXTINF:")) {
      ++line_begin;
    }
    if (!StartsWithNoCase(bytes.substr(line_begin), "#EXTINF:")) {
      if (warnings) warnings->push_back({PlaylistProblem::kIdNotWritable, entry.line, ids[i]});
      continue;
    }
    const std::string_view before = bytes.substr(line_begin, line_end - line_begin);
    std::string after(bytes.substr(line_begin, begin - line_begin));
    after += piece;
    after += bytes.substr(end, line_end - end);
    const ExtinfLine was = ParseExtinf(before);
    const ExtinfLine now = ParseExtinf(after);
    if (now.title != was.title || now.tvg_name != was.tvg_name || now.group != was.group ||
        !now.has_id || now.tvg_id != id) {
      if (warnings) warnings->push_back({PlaylistProblem::kIdNotWritable, entry.line, ids[i]});
      continue;
    }
    out.append(bytes.substr(copied, begin - copied));
    out += piece;
    copied = end;
  }
  out.append(bytes.substr(copied));
  return out;
}

}  // namespace brelvik
