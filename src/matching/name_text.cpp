// The text steps of a name's key on ICU: normalisation, the look-alike
// letters and ISO codes from ICU's data, and which tags, remarks and country
// markers a playlist adds to a name.
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/uspoof.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "matching/name_text.h"
#include "support/codepage.h"

namespace brelvik {

namespace name_text {

U32 ToU32(std::string_view utf8) {
  U32 out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) out.push_back(NextCodePoint(utf8, i));
  return out;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char32_t c : text) AppendUtf8(out, c);
  return out;
}

U32 FromIcu(const icu::UnicodeString& text) {
  U32 out;
  out.reserve(static_cast<std::size_t>(text.length()));
  for (int32_t i = 0; i < text.length();) {
    const UChar32 c = text.char32At(i);
    out.push_back(static_cast<char32_t>(c));
    i += U16_LENGTH(c);
  }
  return out;
}

const icu::Normalizer2& Nfkc() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFKCInstance(status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU: no NFKC data");
  return *n;
}

const icu::Normalizer2& Nfd() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU: no NFD data");
  return *n;
}

const icu::Normalizer2& Nfc() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU: no NFC data");
  return *n;
}

bool IsLetter(char32_t c) {
  return u_isalpha(static_cast<UChar32>(c)) ||
         u_charType(static_cast<UChar32>(c)) == U_NON_SPACING_MARK;
}
bool IsDigit(char32_t c) { return u_isdigit(static_cast<UChar32>(c)); }
bool IsSpace(char32_t c) { return u_isUWhiteSpace(static_cast<UChar32>(c)) || c < 32; }
bool IsApostrophe(char32_t c) {
  return c == U'\'' || c == U'\u2019' || c == U'\u2018' || c == U'\u02BC' || c == U'\u02B9' ||
         c == U'\u02BA' || c == U'`' || c == U'\u00B4' || c == U'\u2032';
}
bool IsOpener(char32_t c) { return c == U'(' || c == U'[' || c == U'{'; }
char32_t CloserOf(char32_t opener) { return opener == U'(' ? U')' : opener == U'[' ? U']' : U'}'; }

UScriptCode ScriptOf(char32_t c) {
  UErrorCode status = U_ZERO_ERROR;
  return uscript_getScript(static_cast<UChar32>(c), &status);
}

// ICU's data that every keyer shares, built once: the confusable skeleton of
// each letter's capital, the look-alike letters of Latin and Cyrillic derived
// from those skeletons, and the ISO country and language codes.
class SharedData {
 public:
  static const SharedData& Get() {
    static const SharedData data;
    return data;
  }

  // The skeleton of the upper-cased character (a few characters at most).
  std::u32string_view UpperSkeleton(char32_t c) const {
    if (c < kTableSize) return skeletons_[c];
    return {};
  }
  U32 UpperSkeletonSlow(char32_t c) const {
    const UChar32 upper = u_toupper(static_cast<UChar32>(c));
    icu::UnicodeString in(upper), out;
    UErrorCode status = U_ZERO_ERROR;
    uspoof_getSkeletonUnicodeString(checker_, 0, in, out, &status);
    if (U_FAILURE(status)) return U32(1, static_cast<char32_t>(upper));
    return FromIcu(out);
  }

  // The Latin letter that looks like a Cyrillic one, and back; 0 when none.
  char32_t LatinLookAlike(char32_t cyrillic) const {
    const auto it = cyrillic_to_latin_.find(cyrillic);
    return it == cyrillic_to_latin_.end() ? 0 : it->second;
  }
  char32_t CyrillicLookAlike(char32_t latin) const {
    const auto it = latin_to_cyrillic_.find(latin);
    return it == latin_to_cyrillic_.end() ? 0 : it->second;
  }

  bool IsIsoCode(std::string_view code) const { return iso_codes_.count(std::string(code)) != 0; }

  ~SharedData() { uspoof_close(checker_); }

 private:
  static constexpr char32_t kTableSize = 0x0530;  // Latin, Greek and Cyrillic

  SharedData() {
    UErrorCode status = U_ZERO_ERROR;
    checker_ = uspoof_open(&status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU: no spoof checker data");
    skeletons_.resize(kTableSize);
    for (char32_t c = 0; c < kTableSize; ++c) skeletons_[c] = UpperSkeletonSlow(c);

    // Two letters look alike when their capitals have one skeleton of one
    // character. Russian letters come first, so they win over other Cyrillic
    // letters with the same look.
    std::unordered_map<char32_t, char32_t> latin_by_skeleton;
    for (char32_t c = U'a'; c <= U'z'; ++c) {
      if (skeletons_[c].size() == 1) latin_by_skeleton.emplace(skeletons_[c][0], c);
    }
    std::vector<char32_t> cyrillic;
    for (char32_t c = 0x0430; c <= 0x044F; ++c) cyrillic.push_back(c);
    for (char32_t c = 0x0450; c < kTableSize; ++c) {
      if (u_islower(static_cast<UChar32>(c)) && ScriptOf(c) == USCRIPT_CYRILLIC)
        cyrillic.push_back(c);
    }
    for (const char32_t c : cyrillic) {
      if (skeletons_[c].size() != 1) continue;
      const auto latin = latin_by_skeleton.find(skeletons_[c][0]);
      if (latin == latin_by_skeleton.end()) continue;
      cyrillic_to_latin_.emplace(c, latin->second);
      latin_to_cyrillic_.emplace(latin->second, c);
    }

    const auto add_codes = [this](const char* const* list, bool languages) {
      for (; *list; ++list) {
        std::string code = *list;
        for (char& ch : code) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        iso_codes_.insert(code);
        const icu::Locale locale = languages ? icu::Locale(*list) : icu::Locale("", *list);
        std::string three = languages ? locale.getISO3Language() : locale.getISO3Country();
        for (char& ch : three) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (three.size() == 3) iso_codes_.insert(three);
      }
    };
    add_codes(icu::Locale::getISOCountries(), false);
    add_codes(icu::Locale::getISOLanguages(), true);
    // Common words of channel names that happen to be codes too.
    for (const char* word : {"tv", "fm", "hd", "sd", "hq", "mix", "box", "fox", "sky", "kid", "fun",
                             "max", "art", "pro", "man"}) {
      iso_codes_.erase(word);
    }
  }

  USpoofChecker* checker_ = nullptr;
  std::vector<U32> skeletons_;
  std::unordered_map<char32_t, char32_t> cyrillic_to_latin_;
  std::unordered_map<char32_t, char32_t> latin_to_cyrillic_;
  std::unordered_set<std::string> iso_codes_;
};

std::u32string_view UpperSkeleton(char32_t c) { return SharedData::Get().UpperSkeleton(c); }
U32 UpperSkeletonSlow(char32_t c) { return SharedData::Get().UpperSkeletonSlow(c); }
char32_t LatinLookAlike(char32_t cyrillic) { return SharedData::Get().LatinLookAlike(cyrillic); }
char32_t CyrillicLookAlike(char32_t latin) { return SharedData::Get().CyrillicLookAlike(latin); }

// Lower-case ASCII for tag look-ups: case folded, and Cyrillic letters that
// look like Latin ones read as those ("НD" is "hd"). Empty when a character
// has no ASCII reading.
std::string ProbeForm(std::u32string_view word) {
  const SharedData& data = SharedData::Get();
  std::string out;
  for (char32_t c : word) {
    c = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
    if (c >= 0x80) {
      const char32_t latin = data.LatinLookAlike(c);
      if (latin == 0) return {};
      c = latin;
    }
    out.push_back(static_cast<char>(c));
  }
  return out;
}

int LinesOf(std::string_view probe) {
  if (probe.size() < 4 || probe.size() > 5 || (probe.back() != 'p' && probe.back() != 'i') ||
      !AllDigits(probe.substr(0, probe.size() - 1))) {
    return 0;
  }
  return std::stoi(std::string(probe.substr(0, probe.size() - 1)));
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<Quality> QualityTag(std::string_view w) {
  if (w == "hd" || w == "fhd" || w == "fullhd" || w == "hq" || w == "hdr") return Quality::kHd;
  if (w == "uhd" || w == "4k" || w == "8k" || w == "ultrahd") return Quality::kUhd;
  if (w == "sd") return Quality::kSd;
  return std::nullopt;
}

// 1080p, 720p, 576i, 2160p, HEVC, H.264, x265, 50fps.
bool StreamTag(std::string_view w) {
  if (w == "hevc" || w == "avc" || w == "h264" || w == "h265" || w == "h.264" || w == "h.265" ||
      w == "x264" || w == "x265" || w == "fps") {
    return true;
  }
  if (w.size() >= 4 && w.size() <= 5 && (w.back() == 'p' || w.back() == 'i') &&
      AllDigits(w.substr(0, w.size() - 1))) {
    return true;
  }
  return w.size() >= 5 && w.size() <= 6 && w.substr(w.size() - 3) == "fps" &&
         AllDigits(w.substr(0, w.size() - 3));
}

// Remarks playlists put in brackets after a name.
bool RemarkWord(std::u32string_view word) {
  static const std::unordered_set<std::string> kRemarks = {
      "not",     "24/7",   "24x7",     "geo",      "blocked",   "geoblocked", "geo-blocked",
      "offline", "backup", "reserve",  "резерв",   "резервный", "test",       "тест",
      "beta",    "orig",   "original", "оригинал", "alt",       "main",       "multi",
      "audio",   "multi-audio", "multiaudio"};
  std::string folded;
  for (char32_t c : word) {
    AppendUtf8(folded,
               static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT)));
  }
  return kRemarks.count(folded) != 0;
}

std::optional<std::string_view> CountryNameCode(std::u32string_view word) {
  static const std::unordered_map<std::string, std::string_view> kNames = {
      {"украина", "ua"},   {"україна", "ua"},   {"ukraine", "ua"},    {"ukraina", "ua"},    {"беларусь", "by"},
      {"belarus", "by"},   {"казахстан", "kz"}, {"қазақстан", "kz"},  {"kazakhstan", "kz"},
      {"россия", "ru"},    {"russia", "ru"}};
  std::string folded;
  for (char32_t c : word) {
    AppendUtf8(folded,
               static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT)));
  }
  const auto it = kNames.find(folded);
  if (it == kNames.end()) return std::nullopt;
  return it->second;
}

bool CountryCode(std::string_view probe) {
  return probe.size() >= 2 && probe.size() <= 3 &&
         std::all_of(probe.begin(), probe.end(), [](char c) { return c >= 'a' && c <= 'z'; }) &&
         SharedData::Get().IsIsoCode(probe);
}

// Markers that stand at the end of a name without brackets or separators.
bool BareCountryMarker(std::string_view probe) {
  static const std::unordered_set<std::string_view> kBare = {
      "ru", "rus", "ua", "ukr", "kz", "kaz", "by", "blr", "bel", "uz", "uzb", "en", "eng"};
  return kBare.count(probe) != 0 && CountryCode(probe);
}

bool Punctuation(char32_t c) { return !IsLetter(c) && !IsDigit(c) && !IsSpace(c); }

std::u32string_view TrimPunctuation(std::u32string_view word) {
  while (!word.empty() && Punctuation(word.front())) word.remove_prefix(1);
  while (!word.empty() && Punctuation(word.back())) word.remove_suffix(1);
  return word;
}

std::u32string_view TrimSpaces(std::u32string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// What a bracketed annotation is made of, when only of tags, remarks and
// country markers.
std::optional<RemovedKind> BracketKind(std::u32string_view content, Quality& quality,
                                       int& lines) {
  std::vector<std::u32string_view> words;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= content.size(); ++i) {
    const bool cut = i == content.size() || IsSpace(content[i]) || content[i] == U',' ||
                     content[i] == U';' || content[i] == U'|';
    if (!cut) continue;
    const std::u32string_view word = TrimPunctuation(content.substr(start, i - start));
    if (!word.empty()) words.push_back(word);
    start = i + 1;
  }
  if (words.empty()) return std::nullopt;
  bool has_quality = false;
  bool has_country = false;
  int found_lines = 0;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string probe = ProbeForm(words[i]);
    if (const auto q = QualityTag(probe)) {
      has_quality = true;
      quality = std::max(quality, *q);
    } else if (StreamTag(probe)) {
      found_lines = std::max(found_lines, LinesOf(probe));
    } else if (RemarkWord(words[i])) {
    } else if (AllDigits(probe) && i + 1 < words.size() && ProbeForm(words[i + 1]) == "fps") {
    } else if (CountryCode(probe) || (words.size() == 1 && CountryNameCode(words[i]))) {
      has_country = true;
    } else {
      return std::nullopt;
    }
  }
  lines = std::max(lines, found_lines);
  if (has_quality) return RemovedKind::kQualityTag;
  if (has_country) return RemovedKind::kCountryMarker;
  return RemovedKind::kRemark;
}

U32Step RemoveBracketed(const U32& text) {
  U32Step step;
  std::vector<std::pair<std::size_t, std::size_t>> cuts;
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsOpener(text[i])) {
      open.push_back(i);
    } else if (text[i] == U')' || text[i] == U']' || text[i] == U'}') {
      // The innermost opener of the same kind; openers of other kinds between
      // are unbalanced and forgotten.
      while (!open.empty() && CloserOf(text[open.back()]) != text[i]) open.pop_back();
      if (open.empty()) continue;
      const std::size_t from = open.back();
      open.pop_back();
      const std::u32string_view content(text.data() + from + 1, i - from - 1);
      if (const auto kind = BracketKind(content, step.quality, step.lines)) {
        step.removed.push_back(
            {*kind, ToUtf8(std::u32string_view(text).substr(from, i - from + 1))});
        cuts.emplace_back(from, i + 1);
      }
    }
  }
  std::sort(cuts.begin(), cuts.end());
  std::size_t copied = 0;
  for (const auto& [from, to] : cuts) {
    if (from < copied) continue;  // inside a group already cut
    step.text.append(text, copied, from - copied);
    step.text.push_back(U' ');
    copied = to;
  }
  step.text.append(text, copied, U32::npos);
  return step;
}

// "RU:", "RU |", "|RU|", "[RU]" at the start; "| RU", "|RU|", "(RU)" or a
// bare "Rus" at the end.
U32Step RemoveMarkers(const U32& text) {
  U32Step step;
  std::u32string_view rest = text;
  const auto letters_at = [](std::u32string_view s, std::size_t i) {
    std::size_t j = i;
    while (j < s.size() && IsLetter(s[j]) && s[j] < 0x80) ++j;
    return j - i;
  };
  for (int round = 0; round < 2; ++round) {
    std::u32string_view s = rest;
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    const std::size_t begin = i;
    char32_t opener = 0;
    if (i < s.size() && (s[i] == U'|' || s[i] == U'[' || s[i] == U'(')) opener = s[i++];
    while (i < s.size() && IsSpace(s[i])) ++i;
    const std::size_t n = letters_at(s, i);
    if (n < 2 || n > 3) break;
    const std::string probe = ProbeForm(s.substr(i, n));
    i += n;
    while (i < s.size() && IsSpace(s[i])) ++i;
    if (i >= s.size()) break;
    const char32_t closer = s[i];
    const bool closes =
        opener == U'|'   ? closer == U'|'
        : opener == U'[' ? closer == U']'
        : opener == U'(' ? closer == U')'
                         : (closer == U':' || closer == U'|' || (closer == U'-' && i > begin + n));
    if (!closes || !CountryCode(probe)) break;
    ++i;
    if (i < s.size() && s[i] == U':') ++i;
    step.removed.push_back(
        {RemovedKind::kCountryMarker, ToUtf8(TrimSpaces(s.substr(begin, i - begin)))});
    rest = s.substr(i);
  }
  for (int round = 0; round < 2; ++round) {
    std::u32string_view s = rest;
    std::size_t end = s.size();
    while (end > 0 && IsSpace(s[end - 1])) --end;
    std::size_t i = end;
    char32_t closer = 0;
    if (i > 0 && (s[i - 1] == U'|' || s[i - 1] == U']' || s[i - 1] == U')')) closer = s[--i];
    while (i > 0 && IsSpace(s[i - 1])) --i;
    std::size_t j = i;
    while (j > 0 && IsLetter(s[j - 1]) && s[j - 1] < 0x80) --j;
    const std::size_t n = i - j;
    // A country's English name after the name, as public playlists add it:
    // "TNT Russia", "M1 Ukraine", "ONT Belarus".
    if (closer == 0 && n > 3 && j > 0 && IsSpace(s[j - 1])) {
      const std::string word = ProbeForm(s.substr(j, n));
      if (word == "russia" || word == "ukraine" || word == "ukraina" || word == "belarus" ||
          word == "kazakhstan") {
        std::size_t k = j;
        while (k > 0 && IsSpace(s[k - 1])) --k;
        if (k == 0) break;
        step.removed.push_back(
            {RemovedKind::kCountryMarker, ToUtf8(TrimSpaces(s.substr(j, end - j)))});
        rest = s.substr(0, k);
        continue;
      }
    }
    if (n < 2 || n > 3) break;
    const std::string probe = ProbeForm(s.substr(j, n));
    std::size_t k = j;
    while (k > 0 && IsSpace(s[k - 1])) --k;
    if (k == 0) break;  // the marker would be the whole name
    const char32_t before = s[k - 1];
    bool ok = false;
    if (closer != 0) {
      const char32_t opener = closer == U'|' ? U'|' : closer == U']' ? U'[' : U'(';
      ok = before == opener && CountryCode(probe);
      if (ok) --k;
    } else if (before == U'|' || (before == U'-' && k < j)) {
      ok = CountryCode(probe);
      if (ok) --k;
    } else if (k < j && (IsLetter(before) || IsDigit(before) || Punctuation(before))) {
      ok = BareCountryMarker(probe);
    }
    if (!ok) break;
    step.removed.push_back({RemovedKind::kCountryMarker, ToUtf8(TrimSpaces(s.substr(k, end - k)))});
    rest = s.substr(0, k);
  }
  step.text = U32(rest);
  return step;
}

TextStep ToTextStep(const U32Step& step) {
  return {ToUtf8(step.text), step.removed, 0, step.quality};
}

}  // namespace name_text

using namespace name_text;

TextStep FoldCompatibility(std::string_view text) {
  const icu::UnicodeString in = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString out = Nfkc().normalize(in, status);
  TextStep step;
  out.toUTF8String(step.text);
  if (step.text != text) step.folds |= kFoldCompatibility;
  return step;
}

TextStep RemoveBracketedRemarks(std::string_view text) {
  return ToTextStep(RemoveBracketed(ToU32(text)));
}

TextStep RemoveCountryMarkers(std::string_view text) {
  return ToTextStep(RemoveMarkers(ToU32(text)));
}

}  // namespace brelvik
