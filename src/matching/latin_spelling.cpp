// Latin forms of channel-name words: the spelling habits of
// transliteration folded to one form, and which Cyrillic alphabet a name is
// written in, for ICU's transliterator of that language.
#include <unicode/uchar.h>

#include "matching/name_text.h"
#include "support/codepage.h"

namespace brelvik::name_text {

// Spelling variants of Latin transliterations folded to one form: "ts", "tz"
// and "c" as "k" (but "ch"), "kh" as "h", "zh" as "z", "sch"/"shch" as "sh",
// "y" and "j" as "i", "w" as "v", "ph" as "f", "x" as "ks", "q" as "k", a
// leading "ye" as "e", "eu" as "ev", and doubled letters once (but the
// first two letters stay: "NNTV" is not "NTV"): "Pyatnitsa", "Pjatnica" and
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
      a += 'h';  // "кх": "КХЛ" is "KKhL", and "KHL" in Latin
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
    } else if (c == 'e' && next == 'u') {
      a += "ev";  // "Europa" is "Европа", "Eurosport" "Евроспорт"
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
    // Doubled letters once, but not at the start: "NNTV" is not "NTV".
    if (out.size() > 1 && out.back() == c) continue;
    // "ye" after a vowel is how transliterations write "е" there: "novoye".
    if (c == 'e' && out.size() >= 2 && out.back() == 'i' && vowel(out[out.size() - 2])) {
      out.back() = 'e';
      continue;
    }
    out += c;
  }
  // "плюс", also inside a word: "ПлюсПлюс" is "PlusPlus".
  for (std::size_t at = out.find("plius"); at != std::string::npos; at = out.find("plius", at)) {
    out.replace(at, 5, "plus");
  }
  return out;
}

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
}  // namespace brelvik::name_text
