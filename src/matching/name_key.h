// Channel names turned into keys that compare equal when two spellings mean
// the same channel. The key is built by a chain of small named steps; each
// returns the new text (or words) and what it removed or folded, and a match
// explains itself from those records, so the reason a user reads is always
// what the steps did.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik {

// What a step folded, as bits.
enum Fold : unsigned {
  kFoldCompatibility = 1u << 0,  // full-width letters, ligatures, superscripts
  kFoldCase = 1u << 1,
  kFoldYo = 1u << 2,           // ё read as е
  kFoldMarks = 1u << 3,        // accents and other combining marks
  kFoldLookAlike = 1u << 4,    // letters of the other script that look the same
  kFoldPunctuation = 1u << 5,  // punctuation and separators read as spaces
};

enum class RemovedKind {
  kQualityTag,     // HD, FHD, UHD, 4K, SD, HQ
  kStreamTag,      // 1080p, HEVC, H.264, 50 fps
  kRemark,         // a bracketed playlist remark: "[Not 24/7]", "(резерв)"
  kCountryMarker,  // "RU:", "|UA|", "(KZ)", "Rus"
};

// A part a step removed, as it was written in the name.
struct RemovedPart {
  RemovedKind kind;
  std::string text;
  bool operator==(const RemovedPart&) const = default;
};

// The picture quality a name's tags claim.
enum class Quality { kPlain, kSd, kHd, kUhd };

// The outcome of one step on a whole text.
struct TextStep {
  std::string text;
  std::vector<RemovedPart> removed;
  unsigned folds = 0;
  Quality quality = Quality::kPlain;  // from removed quality tags
};

// The text steps, in the order the key applies them.
TextStep FoldCompatibility(std::string_view text);  // Unicode NFKC
// Bracketed annotations made only of tags, remarks and country markers.
TextStep RemoveBracketedRemarks(std::string_view text);
// Country and language markers at the start or the end.
TextStep RemoveCountryMarkers(std::string_view text);

enum class TokenKind {
  kWord,       // letters
  kWeak,       // a common word that tells little: тв, tv, канал, channel, телеканал, и, and
  kNumber,     // digits: "1" of "Россия 1"
  kTimeshift,  // "+2"
};

struct NameToken {
  TokenKind kind = TokenKind::kWord;
  std::string written;    // as it stood in the name
  std::string text;       // case-folded, ё as е, marks and look-alike letters folded
  std::string shape;      // the confusable skeleton of the upper-cased text
  std::string latin;      // in Latin letters, spelling variants folded
  std::size_t begin = 0;  // code-point offsets in the text the words were split from
  std::size_t end = 0;
  bool aside = false;  // in brackets or after " / ": "(Самара)", "/ Кемерово"
};

// The words of a text: letters and digits, split where letters meet digits;
// "+N" is a time shift unless it follows a digit ("1+1" is two numbers).
// Apostrophes join, everything else separates.
std::vector<NameToken> SplitWords(std::string_view text, unsigned* folds = nullptr);

// Everything known about one name.
struct NameKey {
  std::string name;  // as given
  std::vector<NameToken> tokens;
  std::string key;        // shapes, space-separated: equal keys mean the same name
  std::string latin_key;  // Latin forms of the same words
  std::string compact;    // Latin forms of words and numbers, weak words left out, unspaced
  std::string numbers;    // the numbers, sorted, space-separated: "1 24"
  std::string shifts;     // the time shifts, sorted: "+2"
  Quality quality = Quality::kPlain;
  int lines = 0;  // the resolution a stream tag claims: 1080 of "(1080p)"; 0 when none
  std::string markers;  // the country markers removed, folded and sorted
  std::vector<RemovedPart> removed;
  unsigned folds = 0;
  int remarks = 0;   // stream tags and remarks removed
  int capitals = 0;  // capitals among the words' letters, in percent

  std::size_t StrongCount() const;  // words and numbers, weak words aside
};

// Makes keys; holds ICU's transliterators and caches the keys of words it has
// seen, so a list of names with common words is keyed quickly. One keyer per
// thread.
class NameKeyer {
 public:
  NameKeyer();
  ~NameKeyer();
  NameKeyer(const NameKeyer&) = delete;
  NameKeyer& operator=(const NameKeyer&) = delete;

  NameKey Key(std::string_view name);

  // The Latin form of one word as the key spells it ("Пятница" -> "piatnika").
  std::string LatinOf(std::string_view word);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brelvik
