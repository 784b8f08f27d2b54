// Windows-1251 <-> UTF-8 conversion through tables built once from ICU's
// converter, strict UTF-8 validation, character counting and case mapping.
#include "support/codepage.h"

#include <unicode/locid.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace brelvik {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Length of the run of ASCII bytes starting at `from`, eight bytes at a time:
// provider pages are mostly ASCII markup, and these runs are copied whole.
std::size_t AsciiRun(std::string_view text, std::size_t from) {
  std::size_t i = from;
  const std::size_t size = text.size();
  while (i + 8 <= size) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if (word & kHighBits) break;
    i += 8;
  }
  while (i < size && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i - from;
}

// Decodes one well-formed UTF-8 character at `i` (which must hold a byte of
// 0x80 or more) and advances `i`; false for any ill-formed sequence (Unicode
// table 3-7: no overlongs, no surrogates, nothing above U+10FFFF, no truncation).
bool DecodeMultiByte(std::string_view text, std::size_t& i, char32_t& cp) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const std::size_t size = text.size();
  const unsigned char lead = byte(i);
  std::size_t length;
  unsigned char second_min = 0x80;
  unsigned char second_max = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    if (lead == 0xE0) second_min = 0xA0;
    if (lead == 0xED) second_max = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    if (lead == 0xF0) second_min = 0x90;
    if (lead == 0xF4) second_max = 0x8F;
  } else {
    return false;
  }
  if (size - i < length) return false;
  const unsigned char second = byte(i + 1);
  if (second < second_min || second > second_max) return false;
  cp = (cp << 6) | (second & 0x3F);
  for (std::size_t k = 2; k < length; ++k) {
    const unsigned char next = byte(i + k);
    if ((next & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (next & 0x3F);
  }
  i += length;
  return true;
}

struct Utf8Bytes {
  std::array<char, 4> bytes{};
  std::size_t length = 0;
};

// The code page's mapping, taken from ICU once. Code points up to U+2122 (the
// highest the code page holds) index the reverse table directly.
struct Cp1251Tables {
  std::array<Utf8Bytes, 128> high;     // bytes 0x80 to 0xFF
  std::vector<unsigned char> reverse;  // code point -> byte, 0 when absent

  Cp1251Tables() {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("windows-1251", &status);
    if (U_FAILURE(status)) {
      throw std::runtime_error(std::string("cannot open the windows-1251 converter: ") +
                               u_errorName(status));
    }
    std::array<char32_t, 128> decoded{};
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char source = static_cast<char>(b);
      UChar target[4];
      status = U_ZERO_ERROR;
      const int32_t length = ucnv_toUChars(converter, target, 4, &source, 1, &status);
      char32_t cp = kReplacement;
      // ICU round-trips the unassigned 0x98 as the C1 control U+0098; it stands
      // for no character, so it reads as the replacement character instead.
      if (U_SUCCESS(status) && length == 1 && !U16_IS_SURROGATE(target[0]) && b != 0x98 &&
          target[0] != 0x1A) {
        cp = target[0];
      }
      decoded[b - 0x80] = cp;
    }
    ucnv_close(converter);

    char32_t max_cp = 0x7F;
    for (char32_t cp : decoded) {
      if (cp != kReplacement && cp > max_cp) max_cp = cp;
    }
    reverse.assign(max_cp + 1, 0);
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char32_t cp = decoded[b - 0x80];
      std::string utf8;
      AppendUtf8(utf8, cp);
      Utf8Bytes& entry = high[b - 0x80];
      std::memcpy(entry.bytes.data(), utf8.data(), utf8.size());
      entry.length = utf8.size();
      if (cp != kReplacement && cp >= 0x80) reverse[cp] = static_cast<unsigned char>(b);
    }
  }
};

const Cp1251Tables& Tables() {
  static const Cp1251Tables tables;
  return tables;
}

// Length in bytes of the character starting at `i`, for counting and cutting
// text that may be malformed: a lead byte claims only the continuation bytes
// that are really there, and any other byte counts as a character of its own,
// so the walk never passes the end and always moves on.
std::size_t CharLength(std::string_view text, std::size_t i) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  std::size_t claimed = 1;
  if (lead >= 0xC0 && lead <= 0xDF) {
    claimed = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    claimed = 3;
  } else if (lead >= 0xF0 && lead <= 0xF7) {
    claimed = 4;
  }
  std::size_t length = 1;
  while (length < claimed && i + length < text.size() &&
         (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

bool AllAscii(std::string_view text) { return AsciiRun(text, 0) == text.size(); }

icu::UnicodeString FromUtf8(std::string_view utf8) {
  // fromUTF8 turns ill-formed sequences into U+FFFD.
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
}

std::string ToUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  char32_t cp;
  if (DecodeMultiByte(text, i, cp)) return cp;
  ++i;
  return kReplacement;
}

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  AppendCp1251AsUtf8(out, bytes);
  return out;
}

void AppendCp1251AsUtf8(std::string& out, std::string_view bytes) {
  const std::size_t ascii = AsciiRun(bytes, 0);
  if (ascii == bytes.size()) {
    out.append(bytes);
    return;
  }
  const Cp1251Tables& tables = Tables();
  std::size_t size = bytes.size();
  for (std::size_t i = ascii; i < bytes.size(); i += 1 + AsciiRun(bytes, i + 1)) {
    size += tables.high[static_cast<unsigned char>(bytes[i]) - 0x80].length - 1;
  }
  const std::size_t start = out.size();
  out.resize(start + size);
  char* to = out.data() + start;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t run = AsciiRun(bytes, i);
    std::memcpy(to, bytes.data() + i, run);
    to += run;
    i += run;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 0x80) {
      const Utf8Bytes& entry = tables.high[static_cast<unsigned char>(bytes[i]) - 0x80];
      std::memcpy(to, entry.bytes.data(), entry.length);
      to += entry.length;
      ++i;
    }
  }
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (true) {
    i += AsciiRun(bytes, i);
    if (i == bytes.size()) return true;
    char32_t cp;
    if (!DecodeMultiByte(bytes, i, cp)) return false;
  }
}

std::string ValidUtf8(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : std::string();
}

std::vector<std::string> ValidUtf8Lines(std::vector<std::string> lines) {
  for (const std::string& line : lines) {
    if (!IsValidUtf8(line)) return {};
  }
  return lines;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  const Cp1251Tables& tables = Tables();
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (true) {
    const std::size_t run = AsciiRun(utf8, i);
    out.append(utf8.data() + i, run);
    i += run;
    if (i == utf8.size()) return out;
    char32_t cp;
    if (!DecodeMultiByte(utf8, i, cp)) return {};
    const unsigned char b = cp < tables.reverse.size() ? tables.reverse[cp] : 0;
    out.push_back(b != 0 ? static_cast<char>(b) : '?');
  }
}

bool Cp1251Holds(std::string_view utf8) {
  const Cp1251Tables& tables = Tables();
  std::size_t i = 0;
  while (true) {
    i += AsciiRun(utf8, i);
    if (i == utf8.size()) return true;
    char32_t cp;
    if (!DecodeMultiByte(utf8, i, cp)) return false;
    if (cp >= tables.reverse.size() || tables.reverse[cp] == 0) return false;
  }
}

std::size_t Utf8Length(std::string_view utf8) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t run = AsciiRun(utf8, i);
    count += run;
    i += run;
    if (i < utf8.size()) {
      i += CharLength(utf8, i);
      ++count;
    }
  }
  return count;
}

std::string Utf8Truncate(std::string_view utf8, std::size_t max_chars) {
  std::size_t i = 0;
  for (std::size_t count = 0; count < max_chars && i < utf8.size(); ++count) {
    i += CharLength(utf8, i);
  }
  return std::string(utf8.substr(0, i));
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The Russian locale adds no case rules for ASCII letters, so pure ASCII text
// skips the round trip through UTF-16.
std::string RussianLower(std::string_view utf8) {
  if (AllAscii(utf8)) return AsciiLower(utf8);
  icu::UnicodeString text = FromUtf8(utf8);
  text.toLower(icu::Locale("ru"));
  return ToUtf8(text);
}

std::string RussianUpper(std::string_view utf8) {
  if (AllAscii(utf8)) {
    std::string out(utf8);
    for (char& c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
  }
  icu::UnicodeString text = FromUtf8(utf8);
  text.toUpper(icu::Locale("ru"));
  return ToUtf8(text);
}

}  // namespace brelvik
