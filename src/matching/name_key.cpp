// The steps that make a channel name's key, on ICU: normalisation, case
// folding, confusable skeletons, ISO codes and transliteration all come from
// ICU's data; what is written here is which tags a playlist adds to a name.
#include "matching/name_key.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/uspoof.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "support/codepage.h"

namespace brelvik {

namespace {

using U32 = std::u32string;

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
std::optional<RemovedKind> BracketKind(std::u32string_view content, Quality& quality) {
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
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string probe = ProbeForm(words[i]);
    if (const auto q = QualityTag(probe)) {
      has_quality = true;
      quality = std::max(quality, *q);
    } else if (StreamTag(probe) || RemarkWord(words[i])) {
    } else if (AllDigits(probe) && i + 1 < words.size() && ProbeForm(words[i + 1]) == "fps") {
    } else if (CountryCode(probe)) {
      has_country = true;
    } else {
      return std::nullopt;
    }
  }
  if (has_quality) return RemovedKind::kQualityTag;
  if (has_country) return RemovedKind::kCountryMarker;
  return RemovedKind::kRemark;
}

struct U32Step {
  U32 text;
  std::vector<RemovedPart> removed;
  Quality quality = Quality::kPlain;
};

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
      if (const auto kind = BracketKind(content, step.quality)) {
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

// Spelling variants of Latin transliterations folded to one form: "ts", "tz"
// and "c" as "k" (but "ch"), "kh" as "h", "zh" as "z", "sch"/"shch" as "sh",
// "y" and "j" as "i", "w" as "v", "ph" as "f", "x" as "ks", "q" as "k", a
// leading "ye" as "e", and doubled letters once: "Pyatnitsa", "Pjatnica" and
// "Piatnitsa" all become "piatnika".
std::string FoldSpelling(std::string_view in) {
  std::string a;
  a.reserve(in.size() + 2);
  std::size_t i = 0;
  if (in.size() > 2 && (in[0] == 'y' || in[0] == 'j' || in[0] == 'i') && in[1] == 'e') {
    a += 'e';
    i = 2;
  }
  for (; i < in.size(); ++i) {
    const char c = in[i];
    const char next = i + 1 < in.size() ? in[i + 1] : '\0';
    const std::string_view rest = in.substr(i);
    if (rest.substr(0, 3) == "kkh") {
      a += "kh";  // "кх": "КХЛ" is "KKhL", and "KHL" in Latin
      i += 2;
    } else if (rest.substr(0, 4) == "shch") {
      a += "sh";
      i += 3;
    } else if (rest.substr(0, 3) == "sch") {
      a += "sh";
      i += 2;
    } else if (rest.substr(0, 3) == "tch") {
      a += "ch";
      i += 2;
    } else if (c == 'c' && next == 'h') {
      a += "ch";
      ++i;
    } else if ((c == 't' && (next == 's' || next == 'z')) || (c == 'c' && next == 'k')) {
      a += 'k';
      ++i;
    } else if (c == 'k' && next == 'h') {
      a += 'h';
      ++i;
    } else if (c == 'z' && next == 'h') {
      a += 'z';
      ++i;
    } else if (c == 'p' && next == 'h') {
      a += 'f';
      ++i;
    } else if (c == 'c' || c == 'q') {
      a += 'k';
    } else if (c == 'y' || c == 'j') {
      a += 'i';
    } else if (c == 'w') {
      a += 'v';
    } else if (c == 'x') {
      a += "ks";
    } else {
      a += c;
    }
  }
  const auto vowel = [](char c) {
    return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
  };
  std::string out;
  out.reserve(a.size());
  for (const char c : a) {
    if (!out.empty() && out.back() == c) continue;
    // "ye" after a vowel is how transliterations write "е" there: "novoye".
    if (c == 'e' && out.size() >= 2 && out.back() == 'i' && vowel(out[out.size() - 2])) {
      out.back() = 'e';
      continue;
    }
    out += c;
  }
  if (out == "plius") out = "plus";  // "плюс"
  return out;
}

enum class Cyrillic { kRussian, kUkrainian, kBelarusian, kKazakh };

// Which language's transliteration fits a name, from its letters.
Cyrillic CyrillicLanguageOf(const std::vector<NameToken>& tokens) {
  bool ukrainian = false, belarusian = false, i_letter = false, russian = false;
  for (const NameToken& token : tokens) {
    if (token.kind != TokenKind::kWord && token.kind != TokenKind::kWeak) continue;
    for (const char32_t c : ToU32(token.written)) {
      const char32_t l = static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
      switch (l) {
        case U'ә':
        case U'ғ':
        case U'қ':
        case U'ң':
        case U'ө':
        case U'ұ':
        case U'ү':
        case U'һ':
          return Cyrillic::kKazakh;
        case U'є':
        case U'ї':
        case U'ґ':
          ukrainian = true;
          break;
        case U'ў':
          belarusian = true;
          break;
        case U'і':
          i_letter = true;
          break;
        case U'ы':
        case U'э':
        case U'ъ':
        case U'ё':
          russian = true;
          break;
        default:
          break;
      }
    }
  }
  if (belarusian) return Cyrillic::kBelarusian;
  if (ukrainian || (i_letter && !russian)) return Cyrillic::kUkrainian;
  return Cyrillic::kRussian;
}

std::string JoinFields(const std::vector<NameToken>& tokens, std::string NameToken::*field,
                       std::string_view separator, bool skip_weak) {
  std::string out;
  for (const NameToken& token : tokens) {
    if (skip_weak && token.kind == TokenKind::kWeak) continue;
    if (!out.empty()) out += separator;
    out += token.*field;
  }
  return out;
}

// True when the last character before `i` that is not a space is a letter.
bool AfterLetter(const U32& s, std::size_t i) {
  while (i > 0 && IsSpace(s[i - 1])) --i;
  return i > 0 && IsLetter(s[i - 1]);
}

}  // namespace

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

std::vector<NameToken> SplitWords(std::string_view text, unsigned* folds) {
  const U32 s = ToU32(text);
  std::vector<NameToken> tokens;
  U32 current;
  TokenKind kind = TokenKind::kWord;
  std::size_t begin = 0;
  unsigned seen = 0;
  const auto flush = [&](std::size_t end) {
    if (!current.empty()) {
      NameToken token;
      token.kind = kind;
      token.written = ToUtf8(current);
      token.begin = begin;
      token.end = end;
      tokens.push_back(std::move(token));
    }
    current.clear();
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char32_t c = s[i];
    if (IsApostrophe(c) && !current.empty() && kind == TokenKind::kWord) {
      seen |= kFoldPunctuation;
      continue;
    }
    if (IsLetter(c)) {
      if (current.empty() || kind != TokenKind::kWord) {
        flush(i);
        kind = TokenKind::kWord;
        begin = i;
      }
      current.push_back(c);
    } else if (IsDigit(c)) {
      if (current.empty() || (kind != TokenKind::kNumber && kind != TokenKind::kTimeshift)) {
        flush(i);
        kind = TokenKind::kNumber;
        begin = i;
      }
      current.push_back(c);
    } else if (c == U'+' && i + 1 < s.size() && IsDigit(s[i + 1]) &&
               !(i > 0 && IsDigit(s[i - 1]))) {
      flush(i);
      kind = TokenKind::kTimeshift;
      begin = i;
      current.push_back(c);
    } else if (c == U'+' && AfterLetter(s, i)) {
      // "НТВ+", "Sports+", "Иллюзион +": a plus after a word is part of the name.
      flush(i);
      kind = TokenKind::kWord;
      begin = i;
      current.push_back(c);
      flush(i + 1);
    } else {
      flush(i);
      if (!IsSpace(c)) seen |= kFoldPunctuation;
    }
  }
  flush(s.size());
  if (folds) *folds |= seen;
  // "+2ч", "+2 часа", "+2h": the hours after a time shift add nothing to it.
  static const std::unordered_set<std::string_view> kHours = {
      "ч", "Ч", "час", "Час", "часа", "Часа", "часов", "h", "H", "hr", "hrs"};
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    if (tokens[i - 1].kind == TokenKind::kTimeshift && tokens[i].kind == TokenKind::kWord &&
        kHours.count(tokens[i].written)) {
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  return tokens;
}

std::size_t NameKey::StrongCount() const {
  return static_cast<std::size_t>(
      std::count_if(tokens.begin(), tokens.end(), [](const NameToken& t) {
        return t.kind == TokenKind::kWord || t.kind == TokenKind::kNumber;
      }));
}

namespace {
void FoldLetters(NameToken& token, std::string& with_marks, unsigned& folds);
bool RepairLookAlikes(NameToken& token);
std::string ShapeOf(const NameToken& token);
}  // namespace

struct NameKeyer::Impl {
  // What a word becomes, the same wherever it stands: kept per word written.
  struct WordForms {
    std::string text;    // folded, look-alike letters repaired
    std::string marked;  // folded with its marks, for transliteration
    std::string shape;
    unsigned folds = 0;
  };
  std::unordered_map<std::string, WordForms> forms;

  const WordForms& FormsOf(const NameToken& token) {
    if (const auto it = forms.find(token.written); it != forms.end()) return it->second;
    NameToken work = token;
    WordForms out;
    FoldLetters(work, out.marked, out.folds);
    if (RepairLookAlikes(work)) {
      out.folds |= kFoldLookAlike;
      out.marked = work.text;
    }
    out.shape = ShapeOf(work);
    out.text = std::move(work.text);
    if (forms.size() > 500000) forms.clear();
    return forms.emplace(token.written, std::move(out)).first->second;
  }

  // ICU's transliterators, made once per thread (making one parses its
  // rules, which costs as much as keying thousands of names) and used by
  // that thread only, as they are not shared.
  static icu::Transliterator& ToLatin(int index) {
    thread_local std::array<std::unique_ptr<icu::Transliterator>, 4> to_latin = [] {
      const char* ids[4] = {
          "Russian-Latin/BGN; Cyrillic-Latin; Latin-ASCII",
          "Ukrainian-Latin/BGN; Cyrillic-Latin; Latin-ASCII",
          "Belarusian-Latin/BGN; Cyrillic-Latin; Latin-ASCII",
          "Kazakh-Latin/BGN; Cyrillic-Latin; Latin-ASCII",
      };
      std::array<std::unique_ptr<icu::Transliterator>, 4> made;
      for (int i = 0; i < 4; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        made[i].reset(icu::Transliterator::createInstance(icu::UnicodeString::fromUTF8(ids[i]),
                                                          UTRANS_FORWARD, status));
        if (U_FAILURE(status) || !made[i]) {
          throw std::runtime_error(std::string("ICU: no transliterator ") + ids[i]);
        }
      }
      return made;
    }();
    return *to_latin[index];
  }
  // Keys of words seen: the Latin form per language, the folded text.
  std::unordered_map<std::string, std::string> latin_cache[4];
  std::unordered_set<std::string> weak_latin;
  // Words public playlists write in English where a name has them in
  // Cyrillic ("Russia 24" for "Россия 24"): the English word's Latin key
  // is the Cyrillic word's.
  std::unordered_map<std::string, std::string> english;

  Impl() {
    for (const auto& [word, cyrillic, language] :
         {std::tuple{"russia", "россия", Cyrillic::kRussian},
          std::tuple{"moscow", "москва", Cyrillic::kRussian},
          std::tuple{"ukraine", "україна", Cyrillic::kUkrainian}}) {
      english.emplace(FoldSpelling(word), Latin(cyrillic, language));
    }
    // "и" and "and" join words as "&" does, which is punctuation.
    for (const char* word :
         {"тв", "tv", "канал", "channel", "телеканал", "kanal", "telekanal", "и", "and"}) {
      weak_latin.insert(Latin(word, Cyrillic::kRussian));
    }
  }

  // `text` is case-folded.
  std::string Latin(const std::string& text, Cyrillic language) {
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
      std::string letters;
      for (const char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) letters += c;
      }
      std::string folded = FoldSpelling(letters);
      if (const auto it = english.find(folded); it != english.end()) return it->second;
      return folded;
    }
    const int index = static_cast<int>(language);
    auto& cache = latin_cache[index];
    if (const auto it = cache.find(text); it != cache.end()) return it->second;
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);
    ToLatin(index).transliterate(u);
    u.foldCase();
    std::string converted;
    u.toUTF8String(converted);
    std::string letters;
    for (const char c : converted) {
      if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) letters += c;
    }
    std::string folded = FoldSpelling(letters);
    if (cache.size() < 200000) cache.emplace(text, folded);
    return folded;
  }
};

NameKeyer::NameKeyer() : impl_(std::make_unique<Impl>()) {}
NameKeyer::~NameKeyer() = default;

std::string NameKeyer::LatinOf(std::string_view word) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(
      icu::StringPiece(word.data(), static_cast<int32_t>(word.size())));
  u.foldCase();
  std::string folded;
  u.toUTF8String(folded);
  NameToken token;
  token.kind = TokenKind::kWord;
  token.written = std::string(word);
  return impl_->Latin(folded, CyrillicLanguageOf({token}));
}

namespace {

// Case folding, ё as е and the removal of combining marks, on one word.
// `with_marks` keeps the marks for transliteration (ї, й, ў stay letters).
void FoldLetters(NameToken& token, std::string& with_marks, unsigned& folds) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(token.written);
  icu::UnicodeString folded = u;
  folded.foldCase();
  if (folded != u) folds |= kFoldCase;
  if (folded.indexOf(static_cast<UChar>(0x0451)) >= 0) {
    folded.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x0451)),
                          icu::UnicodeString(static_cast<UChar>(0x0435)));
    folds |= kFoldYo;
  }
  with_marks.clear();
  folded.toUTF8String(with_marks);
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString decomposed = Nfd().normalize(folded, status);
  icu::UnicodeString bare;
  bool marks = false;
  for (int32_t i = 0; i < decomposed.length();) {
    const UChar32 c = decomposed.char32At(i);
    i += U16_LENGTH(c);
    if (u_charType(c) == U_NON_SPACING_MARK) {
      marks = true;
      continue;
    }
    bare.append(c);
  }
  if (marks) folds |= kFoldMarks;
  status = U_ZERO_ERROR;
  const icu::UnicodeString composed = Nfc().normalize(bare, status);
  token.text.clear();
  composed.toUTF8String(token.text);
}

// Letters of the other script inside a word that look like letters of the
// word's own script: "Poccия" is "Россия".
bool RepairLookAlikes(NameToken& token) {
  U32 s = ToU32(token.text);
  int latin = 0, cyrillic = 0, latin_fixable = 0, cyrillic_fixable = 0;
  const SharedData& data = SharedData::Get();
  for (const char32_t c : s) {
    const UScriptCode script = ScriptOf(c);
    if (script == USCRIPT_LATIN) {
      ++latin;
      if (data.CyrillicLookAlike(c)) ++latin_fixable;
    } else if (script == USCRIPT_CYRILLIC) {
      ++cyrillic;
      if (data.LatinLookAlike(c)) ++cyrillic_fixable;
    }
  }
  if (latin == 0 || cyrillic == 0) return false;
  const bool to_cyrillic_possible = latin_fixable == latin;
  const bool to_latin_possible = cyrillic_fixable == cyrillic;
  bool to_cyrillic = cyrillic >= latin;
  if (to_cyrillic && !to_cyrillic_possible && to_latin_possible) to_cyrillic = false;
  if (!to_cyrillic && !to_latin_possible && to_cyrillic_possible) to_cyrillic = true;
  bool changed = false;
  for (char32_t& c : s) {
    const UScriptCode script = ScriptOf(c);
    if (to_cyrillic && script == USCRIPT_LATIN) {
      if (const char32_t r = data.CyrillicLookAlike(c)) c = r, changed = true;
    } else if (!to_cyrillic && script == USCRIPT_CYRILLIC) {
      if (const char32_t r = data.LatinLookAlike(c)) c = r, changed = true;
    }
  }
  if (changed) token.text = ToUtf8(s);
  return changed;
}

std::string ShapeOf(const NameToken& token) {
  if (token.kind == TokenKind::kNumber || token.kind == TokenKind::kTimeshift) return token.text;
  const SharedData& data = SharedData::Get();
  std::string out;
  for (const char32_t c : ToU32(token.text)) {
    const std::u32string_view skeleton = data.UpperSkeleton(c);
    if (!skeleton.empty()) {
      for (const char32_t k : skeleton) AppendUtf8(out, k);
    } else {
      for (const char32_t k : data.UpperSkeletonSlow(c)) AppendUtf8(out, k);
    }
  }
  return out;
}

std::string ProbeOf(const NameToken& token) { return ProbeForm(ToU32(token.text)); }

// Quality and stream tags among the words: removed unless nothing else would
// be left of the name.
void RemoveTagWords(std::vector<NameToken>& tokens, const U32& source, NameKey& key) {
  std::vector<bool> drop(tokens.size(), false);
  std::vector<std::pair<std::size_t, std::size_t>> spans;  // token ranges, for the record
  std::vector<RemovedKind> kinds;
  Quality quality = Quality::kPlain;
  const auto adjacent = [&](std::size_t i) { return tokens[i].end == tokens[i + 1].begin; };
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string probe = ProbeOf(tokens[i]);
    const std::string next = i + 1 < tokens.size() ? ProbeOf(tokens[i + 1]) : std::string();
    std::size_t take = 0;
    RemovedKind kind = RemovedKind::kStreamTag;
    if (tokens[i].kind == TokenKind::kWord) {
      if ((probe == "full" || probe == "ultra") && next == "hd") {
        take = 2;
        kind = RemovedKind::kQualityTag;
        quality = std::max(quality, probe == "full" ? Quality::kHd : Quality::kUhd);
      } else if (const auto q = QualityTag(probe)) {
        take = 1;
        kind = RemovedKind::kQualityTag;
        quality = std::max(quality, *q);
      } else if ((probe == "h" || probe == "x") && (next == "264" || next == "265") &&
                 tokens[i + 1].begin <= tokens[i].end + 1) {
        take = 2;
      } else if (StreamTag(probe)) {
        take = 1;
      }
    } else if (tokens[i].kind == TokenKind::kNumber && i + 1 < tokens.size()) {
      if ((next == "p" || next == "i") && adjacent(i) && probe.size() >= 3 && probe.size() <= 4) {
        take = 2;
      } else if ((probe == "4" || probe == "8") && next == "k" && adjacent(i)) {
        take = 2;
        kind = RemovedKind::kQualityTag;
        quality = std::max(quality, Quality::kUhd);
      } else if (next == "fps") {
        take = 2;
      }
    }
    if (take == 0) continue;
    for (std::size_t k = i; k < i + take; ++k) drop[k] = true;
    spans.emplace_back(i, i + take - 1);
    kinds.push_back(kind);
    i += take - 1;
  }
  const bool anything_left = std::any_of(tokens.begin(), tokens.end(), [&](const NameToken& t) {
    return !drop[static_cast<std::size_t>(&t - tokens.data())] &&
           (t.kind == TokenKind::kWord || t.kind == TokenKind::kNumber);
  });
  if (spans.empty() || !anything_left) return;
  for (std::size_t s = 0; s < spans.size(); ++s) {
    const std::size_t from = tokens[spans[s].first].begin;
    const std::size_t to = tokens[spans[s].second].end;
    key.removed.push_back({kinds[s], ToUtf8(std::u32string_view(source).substr(from, to - from))});
    if (kinds[s] == RemovedKind::kStreamTag) ++key.remarks;
  }
  key.quality = std::max(key.quality, quality);
  std::vector<NameToken> kept;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!drop[i]) kept.push_back(std::move(tokens[i]));
  }
  tokens = std::move(kept);
}

}  // namespace

NameKey NameKeyer::Key(std::string_view name) {
  NameKey key;
  key.name = std::string(name);
  const TextStep compatible = FoldCompatibility(name);
  key.folds |= compatible.folds;
  const U32 original = ToU32(compatible.text);

  U32Step bracketed = RemoveBracketed(original);
  U32Step marked = RemoveMarkers(bracketed.text);
  U32 source = marked.text;
  std::vector<NameToken> tokens = SplitWords(ToUtf8(source), &key.folds);
  const auto strong = [](const std::vector<NameToken>& list) {
    return std::any_of(list.begin(), list.end(), [](const NameToken& t) {
      return t.kind == TokenKind::kWord || t.kind == TokenKind::kNumber;
    });
  };
  if (!strong(tokens)) {
    // The markers or remarks were all there was: keep them as words.
    bracketed = U32Step{original, {}, Quality::kPlain};
    marked = U32Step{original, {}, Quality::kPlain};
    source = original;
    tokens = SplitWords(ToUtf8(source), &key.folds);
  }
  for (const RemovedPart& part : bracketed.removed) {
    key.removed.push_back(part);
    if (part.kind == RemovedKind::kRemark) ++key.remarks;
  }
  key.quality = bracketed.quality;
  std::vector<std::string> markers;
  for (const RemovedPart& part : marked.removed) key.removed.push_back(part);
  for (const RemovedPart& part : key.removed) {
    if (part.kind != RemovedKind::kCountryMarker) continue;
    std::string probe;
    for (const char32_t c : ToU32(part.text)) {
      if (c < 0x80 && std::isalpha(static_cast<int>(c)))
        probe += static_cast<char>(std::tolower(static_cast<int>(c)));
    }
    markers.push_back(probe);
  }
  std::sort(markers.begin(), markers.end());
  for (const std::string& m : markers) key.markers += (key.markers.empty() ? "" : " ") + m;

  for (NameToken& token : tokens) {
    const Impl::WordForms& forms = impl_->FormsOf(token);
    token.text = forms.text;
    key.folds |= forms.folds;
  }
  RemoveTagWords(tokens, source, key);

  const Cyrillic language = CyrillicLanguageOf(tokens);
  for (NameToken& token : tokens) {
    const Impl::WordForms& forms = impl_->FormsOf(token);
    token.shape = forms.shape;
    if (token.kind == TokenKind::kWord && token.written == "+") {
      token.latin = "plus";
    } else if (token.kind == TokenKind::kWord) {
      token.latin = impl_->Latin(forms.marked, language);
      if (impl_->weak_latin.count(token.latin)) token.kind = TokenKind::kWeak;
    } else {
      token.latin = token.text;
    }
  }
  int letters = 0, capitals = 0;
  for (const NameToken& token : tokens) {
    for (const char32_t c : ToU32(token.written)) {
      if (!u_isalpha(static_cast<UChar32>(c))) continue;
      ++letters;
      if (u_isupper(static_cast<UChar32>(c))) ++capitals;
    }
  }
  key.capitals = letters == 0 ? 0 : 100 * capitals / letters;
  key.tokens = std::move(tokens);
  key.key = JoinFields(key.tokens, &NameToken::shape, " ", false);
  key.latin_key = JoinFields(key.tokens, &NameToken::latin, " ", false);
  key.compact = JoinFields(key.tokens, &NameToken::latin, "", true);
  std::vector<std::string> numbers, shifts;
  for (const NameToken& token : key.tokens) {
    if (token.kind == TokenKind::kNumber) numbers.push_back(token.text);
    if (token.kind == TokenKind::kTimeshift) shifts.push_back(token.text);
  }
  std::sort(numbers.begin(), numbers.end());
  std::sort(shifts.begin(), shifts.end());
  for (const std::string& n : numbers) key.numbers += (key.numbers.empty() ? "" : " ") + n;
  for (const std::string& n : shifts) key.shifts += (key.shifts.empty() ? "" : " ") + n;
  return key;
}

}  // namespace brelvik
