// Printing match results for people and for programs.
#include "cli/match_output.h"

#include <algorithm>
#include <vector>

#include "cli/cli_text.h"
#include "support/codepage.h"

namespace brelvik {

namespace {

struct Line {
  std::string name, code, playlist_name, also, score, status, reason;
};

// A field of the tsv and table formats, kept on its line and in its column:
// a tab, line breaks and the backslash written as the mapping file writes
// them (\t, \n, \r, \\), any other control character as \xHH (C1 ones,
// U+0080 to U+009F, as \u00HH).
std::string OneLineField(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    const char32_t cp = NextCodePoint(text, i);
    switch (cp) {
      case '\t':
        out += "\\t";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      default:
        break;
    }
    if (cp < 0x20 || cp == 0x7F) {
      out += "\\x";
      out += kHex[cp >> 4];
      out += kHex[cp & 15];
    } else if (cp >= 0x80 && cp < 0xA0) {
      out += "\\u00";
      out += kHex[cp >> 4];
      out += kHex[cp & 15];
    } else {
      out.append(text.substr(at, i - at));
    }
  }
  return out;
}

std::string_view StatusText(MatchStatus status, Language language) {
  if (language == Language::kEn) return StatusName(status);
  switch (status) {
    case MatchStatus::kExact:
      return "точно";
    case MatchStatus::kAuto:
      return "авто";
    case MatchStatus::kReview:
      return "проверить";
    case MatchStatus::kNone:
      return "нет";
  }
  return "";
}

}  // namespace

void PrintMatches(const ChannelRows& rows, const MatchRun& run, MatchFormat format,
                  Language language, std::ostream& out) {
  const auto shown_name = [&](const RowMatch& m) -> std::string {
    return m.name && m.status != MatchStatus::kNone ? run.names[*m.name].name : std::string();
  };
  if (format == MatchFormat::kJson) {
    out << "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const RowMatch& m = run.rows[r];
      const bool named = m.name && m.status != MatchStatus::kNone;
      out << (r ? ",\n " : "\n ") << "{\"name\": " << JsonString(rows[r].name)
          << ", \"code\": " << JsonString(rows[r].code)
          << ", \"playlist_name\": " << (named ? JsonString(run.names[*m.name].name) : "null")
          << ", \"playlist_index\": "
          << (named ? std::to_string(run.names[*m.name].first_entry) : "null")
          << ", \"score\": " << m.score << ", \"status\": \"" << StatusName(m.status)
          << "\", \"reason\": " << JsonString(ReasonText(m.reason, language)) << ", \"also\": [";
      for (std::size_t k = 0; k < m.also.size(); ++k) {
        const PlaylistName& further = run.names[m.also[k].name];
        out << (k ? ", " : "") << "{\"playlist_name\": " << JsonString(further.name)
            << ", \"playlist_index\": " << further.first_entry << "}";
      }
      out << "]}";
    }
    out << (rows.empty() ? "]\n" : "\n]\n");
    return;
  }
  if (format == MatchFormat::kTsv) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const RowMatch& m = run.rows[r];
      out << OneLineField(rows[r].name) << '\t' << OneLineField(rows[r].code) << '\t'
          << OneLineField(shown_name(m)) << '\t' << m.score << '\t' << StatusName(m.status) << '\t'
          << OneLineField(ReasonText(m.reason, language)) << '\t' << m.also.size() << "\n";
    }
    return;
  }
  const bool ru = language == Language::kRu;
  std::vector<Line> lines;
  lines.push_back({ru ? "Канал" : "Channel", ru ? "Код" : "Code",
                   ru ? "В плейлисте" : "In the playlist", ru ? "Ещё" : "Also",
                   ru ? "Балл" : "Score", ru ? "Итог" : "Status", ru ? "Почему" : "Why"});
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const RowMatch& m = run.rows[r];
    lines.push_back({OneLineField(rows[r].name), OneLineField(rows[r].code),
                     OneLineField(shown_name(m)),
                     m.also.empty() ? std::string() : "+" + std::to_string(m.also.size()),
                     std::to_string(m.score), std::string(StatusText(m.status, language)),
                     OneLineField(ReasonText(m.reason, language))});
  }
  std::size_t widths[6] = {0, 0, 0, 0, 0, 0};
  for (const Line& line : lines) {
    const std::string* cells[6] = {&line.name, &line.code,  &line.playlist_name,
                                   &line.also, &line.score, &line.status};
    for (int c = 0; c < 6; ++c) widths[c] = std::max(widths[c], Utf8Length(*cells[c]));
  }
  for (const Line& line : lines) {
    out << Padded(line.name, widths[0], false) << "  " << Padded(line.code, widths[1], true) << "  "
        << Padded(line.playlist_name, widths[2], false) << "  "
        << Padded(line.also, widths[3], true) << "  " << Padded(line.score, widths[4], true)
        << "  " << Padded(line.status, widths[5], false) << "  " << line.reason << "\n";
  }
}

std::string MatchSummary(const MatchCounts& counts, Language language) {
  const bool ru = language == Language::kRu;
  return std::string(ru ? "точно " : "exact ") + std::to_string(counts.exact) +
         (ru ? ", авто " : ", auto ") + std::to_string(counts.automatic) +
         (ru ? ", проверить " : ", review ") + std::to_string(counts.review) +
         (ru ? ", нет " : ", none ") + std::to_string(counts.none);
}

std::string PlaylistNoticeLine(const std::string& file, const PlaylistNotice& notice,
                               Language language) {
  std::string line = file;
  if (notice.line > 0) line += ":" + std::to_string(notice.line);
  return line + ": " + PlaylistNoticeText(notice, language);
}

}  // namespace brelvik
