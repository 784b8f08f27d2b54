// The text steps and letter data that the name keys are built from, as the
// key's own files share them. Nothing outside src/matching includes this.
#pragma once

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "matching/name_key.h"

namespace brelvik::name_text {

using U32 = std::u32string;

U32 ToU32(std::string_view utf8);
std::string ToUtf8(std::u32string_view text);
U32 FromIcu(const icu::UnicodeString& text);

const icu::Normalizer2& Nfkc();
const icu::Normalizer2& Nfd();
const icu::Normalizer2& Nfc();

bool IsLetter(char32_t c);
bool IsDigit(char32_t c);
bool IsSpace(char32_t c);
bool IsApostrophe(char32_t c);
bool Punctuation(char32_t c);
UScriptCode ScriptOf(char32_t c);

// ICU's data on letters, built once: the confusable skeleton of a
// character's capital (empty beyond Latin, Greek and Cyrillic: ask the slow
// one), and the look-alike letters of Latin and Cyrillic.
std::u32string_view UpperSkeleton(char32_t c);
U32 UpperSkeletonSlow(char32_t c);
char32_t LatinLookAlike(char32_t cyrillic);  // 0 when none
char32_t CyrillicLookAlike(char32_t latin);  // 0 when none

// Lower-case ASCII for tag look-ups, look-alike Cyrillic letters read as
// Latin ones ("НD" is "hd"); empty when a character has no ASCII reading.
std::string ProbeForm(std::u32string_view word);
bool AllDigits(std::string_view s);
std::optional<Quality> QualityTag(std::string_view probe);
// 1080p, 720p, 576i, 2160p, HEVC, H.264, x265, 50fps.
bool StreamTag(std::string_view probe);
// The country code of a country's name written out ("Украина", "Belarus"),
// which playlists put in brackets as they put "(UA)".
std::optional<std::string_view> CountryNameCode(std::u32string_view word);

// The lines of a resolution tag: 1080 of "1080p"; 0 for anything else.
int LinesOf(std::string_view probe);

// The outcome of a text step on code points.
struct U32Step {
  U32 text;
  std::vector<RemovedPart> removed;
  Quality quality = Quality::kPlain;
  int lines = 0;  // the highest resolution a removed tag claimed
};

// Bracketed annotations made only of tags, remarks and country markers.
U32Step RemoveBracketed(const U32& text);
// Country and language markers at the start or the end.
U32Step RemoveMarkers(const U32& text);

// Spelling variants of Latin transliterations folded to one form.
std::string FoldSpelling(std::string_view in);

enum class Cyrillic { kRussian, kUkrainian, kBelarusian, kKazakh };

// Which language's transliteration fits a name, from its letters.
Cyrillic CyrillicLanguageOf(const std::vector<NameToken>& tokens);

}  // namespace brelvik::name_text
