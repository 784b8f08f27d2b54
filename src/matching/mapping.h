// Saved mappings: the decisions of a match (which playlist name each of a
// provider's channels takes, and whether the matcher or the user chose it),
// kept in a small text file so that the next refresh of the provider's list
// reuses them, and the comparison of a fresh load with such a file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/channel_row.h"
#include "matching/matcher.h"
#include "support/ui_texts.h"

namespace brelvik {

// The format version this program writes; files of a newer one are refused.
// Format 2 added the further names of a row and the user's decisions on
// them; files of format 1 read as they did.
inline constexpr int kMappingFormat = 2;

enum class Decision {
  kAutomatic,    // "auto": the matcher's playlist name (or none) for the row
  kUser,         // "user": the user's playlist name, or "no match" when empty
  kFurther,      // "also": a further name the matcher gave the row
  kFurtherUser,  // "also-user": a further name the user attached
  kDetached,     // "not": a name the user detached; it never joins the row again
};

struct MappingEntry {
  std::string code;
  std::string provider_name;  // the provider's name at the time
  std::string playlist_name;  // empty: no match
  Decision decision = Decision::kAutomatic;
  bool operator==(const MappingEntry&) const = default;
};

struct ChannelMapping {
  std::string provider;  // the provider's key: "vsetv"
  std::vector<MappingEntry> entries;
  bool operator==(const ChannelMapping&) const = default;
};

enum class MappingProblem {
  kCannotRead,
  kDamaged,
  kNewerFormat,
  kOtherProvider,
  kNotAFile,  // a FIFO, a socket, a device
  kTooLarge,  // over kMaxMappingBytes
};

// Mapping files above this size are refused rather than read: a mapping of
// 100 000 channels is a few megabytes.
inline constexpr std::size_t kMaxMappingBytes = 64u * 1024u * 1024u;

// Two lines of a mapping file that both hold the user's decision for one
// code: a channel of that code takes the one with its provider name, else
// the first. Lines are 1-based.
struct MappingNotice {
  std::string code;
  std::size_t first_line = 0;
  std::size_t line = 0;
};

// The notice as a user reads it: "lines 5 and 9 both hold ...".
std::string MappingNoticeText(const MappingNotice& notice, Language language);

class MappingError : public std::runtime_error {
 public:
  MappingError(MappingProblem problem, std::string detail, int error_number = 0);
  MappingProblem Problem() const { return problem_; }
  const std::string& Detail() const { return detail_; }
  int ErrorNumber() const { return error_number_; }  // errno, when the system gave one

 private:
  MappingProblem problem_;
  std::string detail_;
  int error_number_;
};

// The error as a user reads it.
std::string MappingErrorText(const MappingError& error, Language language);

// The file's text, and back. ParseMapping raises MappingError (kDamaged with
// the line, kNewerFormat); a UTF-8 byte-order mark before the text is
// passed over. Two user lines for one code are told in `notices` when given.
std::string MappingText(const ChannelMapping& mapping);
ChannelMapping ParseMapping(std::string_view text, std::vector<MappingNotice>* notices = nullptr);

// Reads a mapping for `provider`; a file of another provider is refused, and
// so, before reading, is anything but a regular file of at most
// kMaxMappingBytes.
ChannelMapping ReadMappingFile(const std::filesystem::path& path, std::string_view provider,
                               std::vector<MappingNotice>* notices = nullptr);
// Written whole or not at all; raises FileWriteError.
void SaveMappingFile(const std::filesystem::path& path, const ChannelMapping& mapping);

// The decisions of a run: one entry per row, the user's where `by_user` says
// so (RowMatch::by_user), the matcher's otherwise (its accepted name, or no
// match); then one per further name and per name the user detached.
ChannelMapping MappingOf(std::string_view provider, const ChannelRows& rows, const MatchRun& run);

// Puts the mapping's user decisions into a fresh run: a row whose code has a
// user decision takes it, whatever the matcher said (a row the matcher gave
// that name becomes "review": the user gave it away); a user's name missing
// from the playlist, and a provider name the user decided on that now stands
// under another code, become "review" and are never applied silently. The
// user's further names are attached and detached names kept away; the
// further names are then decided again.
void ApplyMapping(const ChannelMapping& mapping, const ChannelRows& rows, MatchRun& run);

// What changed at the provider since the mapping was saved.
struct RefreshReport {
  struct Channel {
    std::string code, name;
  };
  struct Renamed {
    std::string code, name, previous_name;
  };
  struct CodeChanged {
    std::string name, code, previous_code;
  };
  std::vector<Channel> added;  // codes not in the mapping
  std::vector<Channel> gone;   // codes of the mapping absent now
  std::vector<Renamed> renamed;
  std::vector<CodeChanged> code_changed;
  bool Empty() const {
    return added.empty() && gone.empty() && renamed.empty() && code_changed.empty();
  }
};

RefreshReport CompareWithMapping(const ChannelMapping& mapping, const ChannelRows& rows);

// {"new": [{"code", "name"}], "gone": [{"code", "name"}], "renamed": [{"code",
// "name", "previous_name"}], "code_changed": [{"name", "code", "previous_code"}]}
std::string RefreshReportJson(const RefreshReport& report);

// "since the mapping: 3 new, 1 gone, 2 renamed, 1 code changed"
std::string RefreshSummary(const RefreshReport& report, Language language);

}  // namespace brelvik
