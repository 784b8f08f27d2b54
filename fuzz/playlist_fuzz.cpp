// Feeds arbitrary bytes to the playlist reader as a user's playlist file,
// then writes ids into it and reads it back, and matches it against a few
// provider rows. The reader must refuse or read, never fail otherwise; what
// it reads is well-formed UTF-8; writing ids changes no entry but its id.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_rows.h"
#include "matching/matcher.h"
#include "matching/playlist.h"

namespace {

bool SameEntries(const brelvik::Playlist& a, const brelvik::Playlist& b) {
  if (a.entries.size() != b.entries.size()) return false;
  for (std::size_t i = 0; i < a.entries.size(); ++i) {
    const brelvik::PlaylistEntry& x = a.entries[i];
    const brelvik::PlaylistEntry& y = b.entries[i];
    if (x.name != y.name || x.title != y.title || x.url != y.url || x.group != y.group) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brelvik;
  Playlist playlist;
  try {
    playlist = ParsePlaylist(std::string(fuzz::AsPage(data, size)));
  } catch (const PlaylistError&) {
    return 0;
  }
  for (std::size_t i = 0; i < playlist.entries.size(); ++i) {
    const PlaylistEntry& e = playlist.entries[i];
    if (e.index < i || (i > 0 && (e.line <= playlist.entries[i - 1].line ||
                                  e.index <= playlist.entries[i - 1].index))) {
      __builtin_trap();
    }
    if (!IsValidUtf8(e.name) || e.name.find_first_of("\r\n") != std::string::npos) {
      __builtin_trap();
    }
  }
  if (playlist.kind == PlaylistKind::kM3u) {
    // Every other entry gets an id; the file read back holds the same
    // entries, now with those ids.
    std::vector<std::string> ids(playlist.entries.size());
    for (std::size_t i = 0; i < ids.size(); i += 2) ids[i] = "id" + std::to_string(i);
    std::vector<PlaylistNotice> notices;
    const std::string written = PlaylistWithIds(playlist, ids, &notices);
    // An entry whose line would read otherwise keeps its line and is named.
    for (const PlaylistNotice& notice : notices) {
      if (notice.problem != PlaylistProblem::kIdNotWritable) continue;
      for (std::size_t i = 0; i < ids.size(); i += 2) {
        if (playlist.entries[i].line == notice.line) ids[i] = playlist.entries[i].tvg_id;
      }
    }
    Playlist again;
    try {
      again = ParsePlaylist(written);
    } catch (const PlaylistError&) {
      __builtin_trap();
    }
    // A Windows-1251 file whose only bytes that are not UTF-8 stood in a
    // replaced tvg-id reads as UTF-8 afterwards: its bytes are the same but
    // for the ids, so only files read the same way are compared.
    if (again.encoding == playlist.encoding && !SameEntries(playlist, again)) __builtin_trap();
    for (std::size_t i = 0; i < ids.size(); i += 2) {
      if (again.entries[i].tvg_id != ids[i]) __builtin_trap();
    }
  }
  static const ChannelRows rows = {{"Первый канал", "1"},  {"Первый канал HD", "2"},
                                   {"Россия 1", "3"},      {"ТНТ", "4"},
                                   {"Матч! Футбол 1", "5"}, {"Discovery Channel", "6"}};
  const MatchRun run = MatchPlaylist(rows, playlist);
  for (const RowMatch& m : run.rows) {
    if (m.name && *m.name >= run.names.size()) __builtin_trap();
    if (m.score < 0 || m.score > 100) __builtin_trap();
  }
  return 0;
}
