// The user's IPTV playlist: an M3U/M3U8 file as players and IPTV services
// write them, or a plain list of channel names, read for matching and written
// back with tvg-id set on the entries that were matched.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/ui_texts.h"

namespace brelvik {

// Files above this size are refused rather than read: a playlist of 100 000
// channels with long stream addresses is a few tens of megabytes.
inline constexpr std::size_t kMaxPlaylistBytes = 256u * 1024u * 1024u;

// A name longer than this many characters is cut to it: no channel's name is
// that long, the channel table holds no more, and matching costs grow with
// a name's length.
inline constexpr std::size_t kMaxPlaylistNameChars = 200;

enum class PlaylistEncoding { kUtf8, kUtf8Bom, kCp1251 };

// An M3U file, or a text file with one channel name per line.
enum class PlaylistKind { kM3u, kNameList };

enum class PlaylistProblem {
  // Errors: the playlist cannot be used.
  kCannotRead,
  kNotAFile,  // a directory, a FIFO, a device
  kEmpty,
  kTooLarge,
  kNulByte,
  kUtf16,
  kNoEntries,
  kNotM3u,  // a list of names has no #EXTINF lines to carry a tvg-id
  kIsMapping,     // a saved mapping, opened as a playlist
  kNotAPlaylist,  // no #EXTINF line, and lines of tab-separated columns
  // Warnings: the entry is read as well as it can be.
  kExtinfWithoutUrl,
  kUrlWithoutExtinf,
  kUnterminatedQuote,
  kNoName,
  kNameCut,          // longer than kMaxPlaylistNameChars
  kReadAsCp1251,     // the first line that is not UTF-8 made the whole file Windows-1251
  kIdNotInCodePage,  // a written tvg-id has characters Windows-1251 lacks
  kIdNotWritable,    // the id would change how its line reads (a quote in it)
};

// One problem with the line it was found on (1-based; 0 for the whole file).
struct PlaylistNotice {
  PlaylistProblem problem;
  std::size_t line = 0;
  std::string detail;    // what the notice is about, when it says more
  int error_number = 0;  // the system's reason (errno), when it has one
};

// The notice as a user reads it, without the line number.
std::string PlaylistNoticeText(const PlaylistNotice& notice, Language language);

class PlaylistError : public std::runtime_error {
 public:
  explicit PlaylistError(PlaylistNotice notice);
  const PlaylistNotice& Notice() const { return notice_; }

 private:
  PlaylistNotice notice_;
};

struct PlaylistEntry {
  // 0-based, in file order, counting every #EXTINF entry (those without a
  // name, which are not read, included) or every name of a list of names.
  std::size_t index = 0;
  std::size_t line = 0;  // 1-based line of its #EXTINF line (or of the name)
  std::string name;      // for matching: tvg-name when not empty, else the title
  std::string title;     // the text after the #EXTINF line's last top-level comma
  std::string tvg_id;
  std::string group;  // group-title, or the #EXTGRP before it
  std::string url;    // empty when the entry has none

  // Where the entry's #EXTINF line stands in the file's bytes, for rewriting:
  // the value of its tvg-id attribute (quotes included) when it has one, and
  // the place after the duration where a new attribute goes otherwise.
  std::size_t id_value_begin = 0;
  std::size_t id_value_end = 0;
  bool has_id = false;
  std::size_t insert_at = 0;
  bool insert_before_attribute = false;  // no duration: the new one goes first
};

struct Playlist {
  std::string bytes;  // the file as read, unchanged
  PlaylistEncoding encoding = PlaylistEncoding::kUtf8;
  PlaylistKind kind = PlaylistKind::kM3u;
  std::vector<PlaylistEntry> entries;
  std::vector<PlaylistNotice> warnings;
};

// Reads a playlist from its bytes. Raises PlaylistError for a playlist that
// cannot be used (empty, over the cap, a NUL byte, UTF-16, no entry).
Playlist ParsePlaylist(std::string bytes);

// Reads and parses a file; raises PlaylistError, never reads past the cap.
Playlist ReadPlaylistFile(const std::filesystem::path& path);

// The playlist's bytes with tvg-id set to ids[i] on entry i where ids[i] is
// not empty (replacing a tvg-id it has, or added after its duration), every
// other byte unchanged. ids has one element per entry. Raises PlaylistError
// (kNotM3u) for a list of names. Warnings (an id the code page cannot hold)
// are appended to `warnings` when given.
std::string PlaylistWithIds(const Playlist& playlist, const std::vector<std::string>& ids,
                            std::vector<PlaylistNotice>* warnings = nullptr);

}  // namespace brelvik
