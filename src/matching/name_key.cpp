// The steps that make a channel name's key, on ICU: normalisation, case
// folding, confusable skeletons, ISO codes and transliteration all come from
// ICU's data; what is written here is which tags a playlist adds to a name.
#include "matching/name_key.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "matching/name_text.h"
#include "support/codepage.h"

namespace brelvik {

using namespace name_text;

namespace {


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
  WordForms number;  // the forms of the last number asked for

  const WordForms& FormsOf(const NameToken& token) {
    // Numbers are what they are, and are too many to keep.
    const std::string& w = token.written;
    if (!w.empty() && std::all_of(w.begin(), w.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      number.text = number.marked = number.shape = w;
      number.folds = 0;
      return number;
    }
    if (const auto it = forms.find(token.written); it != forms.end()) return it->second;
    NameToken work = token;
    WordForms out;
    // ASCII needs no ICU to fold: no marks, no look-alikes to repair.
    if (std::all_of(w.begin(), w.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      work.text = w;
      for (char& c : work.text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      if (work.text != w) out.folds |= kFoldCase;
      out.marked = work.text;
      out.shape = ShapeOf(work);
      out.text = std::move(work.text);
      if (forms.size() > 500000) forms.clear();
      return forms.emplace(token.written, std::move(out)).first->second;
    }
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
          std::tuple{"ukraine", "україна", Cyrillic::kUkrainian},
          // "Channel One Russia" is how public playlists write "Первый канал".
          std::tuple{"one", "первый", Cyrillic::kRussian}}) {
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
  for (const char32_t c : s) {
    const UScriptCode script = ScriptOf(c);
    if (script == USCRIPT_LATIN) {
      ++latin;
      if (CyrillicLookAlike(c)) ++latin_fixable;
    } else if (script == USCRIPT_CYRILLIC) {
      ++cyrillic;
      if (LatinLookAlike(c)) ++cyrillic_fixable;
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
      if (const char32_t r = CyrillicLookAlike(c)) c = r, changed = true;
    } else if (!to_cyrillic && script == USCRIPT_CYRILLIC) {
      if (const char32_t r = LatinLookAlike(c)) c = r, changed = true;
    }
  }
  if (changed) token.text = ToUtf8(s);
  return changed;
}

std::string ShapeOf(const NameToken& token) {
  if (token.kind == TokenKind::kNumber || token.kind == TokenKind::kTimeshift) return token.text;
  std::string out;
  for (const char32_t c : ToU32(token.text)) {
    const std::u32string_view skeleton = UpperSkeleton(c);
    if (!skeleton.empty()) {
      for (const char32_t k : skeleton) AppendUtf8(out, k);
    } else {
      for (const char32_t k : UpperSkeletonSlow(c)) AppendUtf8(out, k);
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
  int lines = 0;
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
        lines = std::max(lines, LinesOf(probe));
      }
    } else if (tokens[i].kind == TokenKind::kNumber && i + 1 < tokens.size()) {
      if ((next == "p" || next == "i") && adjacent(i) && probe.size() >= 3 && probe.size() <= 4) {
        take = 2;
        lines = std::max(lines, LinesOf(probe + next));
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
  key.lines = std::max(key.lines, lines);
  std::vector<NameToken> kept;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!drop[i]) kept.push_back(std::move(tokens[i]));
  }
  tokens = std::move(kept);
}

// Words said aside: in brackets that stayed, or after a slash between
// spaces ("Звезда (Самара)", "ТНТ / Кемерово"), most often a city or region.
// Not when they are all the name has.
void MarkAside(std::vector<NameToken>& tokens, const U32& source) {
  std::vector<bool> aside(source.size(), false);
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < source.size(); ++i) {
    const char32_t c = source[i];
    if (c == U'(' || c == U'[') {
      open.push_back(i);
    } else if ((c == U')' || c == U']') && !open.empty()) {
      for (std::size_t k = open.back(); k <= i; ++k) aside[k] = true;
      open.pop_back();
    } else if (c == U'/' && i > 0 && IsSpace(source[i - 1]) && i + 1 < source.size() &&
               IsSpace(source[i + 1])) {
      for (std::size_t k = i; k < source.size(); ++k) aside[k] = true;
      break;
    }
  }
  bool strong_left = false;
  for (const NameToken& token : tokens) {
    if (token.begin < aside.size() && aside[token.begin]) continue;
    if (token.kind == TokenKind::kWord || token.kind == TokenKind::kNumber) strong_left = true;
  }
  if (!strong_left) return;
  for (NameToken& token : tokens) {
    if (token.begin < aside.size() && aside[token.begin]) token.aside = true;
  }
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
    bracketed = U32Step{original, {}, Quality::kPlain, 0};
    marked = U32Step{original, {}, Quality::kPlain, 0};
    source = original;
    tokens = SplitWords(ToUtf8(source), &key.folds);
  }
  MarkAside(tokens, source);
  for (const RemovedPart& part : bracketed.removed) {
    key.removed.push_back(part);
    if (part.kind == RemovedKind::kRemark) ++key.remarks;
  }
  key.quality = bracketed.quality;
  key.lines = bracketed.lines;
  std::vector<std::string> markers;
  for (const RemovedPart& part : marked.removed) key.removed.push_back(part);
  for (const RemovedPart& part : key.removed) {
    if (part.kind != RemovedKind::kCountryMarker) continue;
    std::string probe;
    U32 letters;
    for (const char32_t c : ToU32(part.text)) {
      if (c < 0x80 && std::isalpha(static_cast<int>(c)))
        probe += static_cast<char>(std::tolower(static_cast<int>(c)));
      if (IsLetter(c)) letters.push_back(c);
    }
    if (const auto code = CountryNameCode(letters)) probe = std::string(*code);
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
