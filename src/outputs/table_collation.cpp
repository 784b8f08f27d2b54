// Table collation keys from ICU's collation elements, one table lookup per
// character instead of a run of ICU's key writer per name.
//
// For characters without contractions or context, ICU's collation elements
// of a text are the concatenation of its characters' elements, and the root
// collation compares texts level by level: the primary weights of all
// elements first (ignorable zero weights left out, a shorter sequence before
// a longer one it begins), then the secondary and tertiary ones. The primary
// weights, each as its rank among the table's primary weights in one byte,
// therefore compare as the texts do, unless they are equal.
#include "outputs/table_collation.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/codepage.h"

namespace brelvik {

namespace {

constexpr UChar32 kTableEnd = 0x2200;  // past the general punctuation and letterlike signs

// The characters the table holds: ASCII, Latin-1, Cyrillic and the signs
// channel names use. Their primary weights are few enough to be ranked in
// one byte each, so a key is a byte a character.
bool InTable(UChar32 c) {
  return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x100) || (c >= 0x400 && c < 0x500) ||
         (c >= 0x2010 && c <= 0x2026) || c == 0x2116 || c == 0x2122;
}

class ElementTable {
 public:
  static const ElementTable& Get() {
    static const ElementTable table;
    return table;
  }

  // The ranked primary weights of `c`, or nullptr when `c` is not in the table.
  const std::uint32_t* Elements(UChar32 c, std::uint32_t& count) const {
    if (c < 0 || c >= kTableEnd || first_[c] < 0) return nullptr;
    count = counts_[c];
    return elements_.data() + first_[c];
  }

  // True when `c` followed by `next` may begin a contraction ("l·").
  bool MayContract(UChar32 c, UChar32 next) const {
    if (c < 0 || c >= kTableEnd || !starter_[c]) return false;
    const std::vector<UChar32>& seconds = seconds_[c];
    return std::find(seconds.begin(), seconds.end(), next) != seconds.end();
  }

 private:
  ElementTable() : first_(kTableEnd, -1), counts_(kTableEnd, 0) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("", &status);
    ucol_setStrength(collator, UCOL_TERTIARY);
    if (U_FAILURE(status)) return;
    // A character that begins a contraction keeps its own elements unless
    // the next character continues one; a character inside a contraction's
    // context, or a whole range of them, is left to ICU.
    USet* contractions = uset_openEmpty();
    status = U_ZERO_ERROR;
    ucol_getContractionsAndExpansions(collator, contractions, nullptr, true, &status);
    std::vector<bool> excluded(kTableEnd, false);
    starter_.assign(kTableEnd, false);
    seconds_.resize(kTableEnd);
    const int32_t items = uset_getItemCount(contractions);
    for (int32_t i = 0; i < items; ++i) {
      UChar32 start, end;
      UChar text[64];
      status = U_ZERO_ERROR;
      const int32_t length = uset_getItem(contractions, i, &start, &end, text, 64, &status);
      if (U_FAILURE(status)) continue;
      if (length == 0) {
        for (UChar32 c = start; c <= end && c < kTableEnd; ++c) excluded[c] = true;
        continue;
      }
      int32_t k = 0;
      UChar32 first, second = -1;
      U16_NEXT(text, k, length, first);
      if (k < length) U16_NEXT(text, k, length, second);
      if (first >= kTableEnd) continue;
      starter_[first] = true;
      std::vector<UChar32>& seconds = seconds_[first];
      if (std::find(seconds.begin(), seconds.end(), second) == seconds.end())
        seconds.push_back(second);
      // Characters after the second one only matter after it.
    }
    uset_close(contractions);
    std::vector<std::uint32_t> primaries;
    for (UChar32 c = 0x20; c < kTableEnd; ++c) {
      const int8_t type = u_charType(c);
      if (!InTable(c) || excluded[c] || type == U_UNASSIGNED || type == U_CONTROL_CHAR ||
          type == U_SURROGATE || type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK ||
          type == U_COMBINING_SPACING_MARK || type == U_FORMAT_CHAR || type == U_PRIVATE_USE_CHAR) {
        continue;
      }
      UChar text[2];
      int32_t length = 0;
      U16_APPEND_UNSAFE(text, length, c);
      status = U_ZERO_ERROR;
      UCollationElements* elements = ucol_openElements(collator, text, length, &status);
      if (U_FAILURE(status)) continue;
      first_[c] = static_cast<std::int32_t>(elements_.size());
      for (int32_t e; (e = ucol_next(elements, &status)) != UCOL_NULLORDER && U_SUCCESS(status);) {
        const std::uint32_t primary = static_cast<std::uint32_t>(e) >> 16;
        if (primary == 0) continue;  // only the primary weights make the key
        elements_.push_back(primary);
        primaries.push_back(primary);
        ++counts_[c];
      }
      ucol_closeElements(elements);
      if (U_FAILURE(status) || counts_[c] > 8) first_[c] = -1;
    }
    ucol_close(collator);
    // Each primary weight as its rank among them, from 1: the same order in
    // a byte.
    std::sort(primaries.begin(), primaries.end());
    primaries.erase(std::unique(primaries.begin(), primaries.end()), primaries.end());
    if (primaries.size() > 255) {
      first_.assign(kTableEnd, -1);
      return;
    }
    for (std::uint32_t& e : elements_) {
      e = static_cast<std::uint32_t>(std::lower_bound(primaries.begin(), primaries.end(), e) -
                                     primaries.begin() + 1);
    }
  }

  std::vector<bool> starter_;
  // What may follow each character that begins a contraction.
  std::vector<std::vector<UChar32>> seconds_;
  std::vector<std::int32_t> first_;
  std::vector<std::uint8_t> counts_;
  std::vector<std::uint32_t> elements_;
};

}  // namespace

bool AppendPrimaryKey(std::string_view utf8, std::string& out) {
  const ElementTable& table = ElementTable::Get();
  // A character gives a few elements at most: room for them, in a buffer
  // that lives as long as the thread.
  thread_local std::vector<char> buffer;
  if (buffer.size() < 8 * utf8.size() + 8) buffer.resize(8 * utf8.size() + 8);
  char* write = buffer.data();
  // -1 past the end; a malformed sequence reads as U+FFFD, which the table
  // does not hold.
  const auto read = [&](std::size_t& i) {
    return i >= utf8.size() ? UChar32{-1} : static_cast<UChar32>(NextCodePoint(utf8, i));
  };
  std::size_t i = 0;
  UChar32 next = read(i);
  while (next != -1) {
    const UChar32 c = next;
    next = read(i);
    std::uint32_t count = 0;
    const std::uint32_t* e = table.Elements(c, count);
    if (!e || (next >= 0 && table.MayContract(c, next)) || count > 8) return false;
    for (std::uint32_t k = 0; k < count; ++k) *write++ = static_cast<char>(e[k]);
  }
  out.append(buffer.data(), static_cast<std::size_t>(write - buffer.data()));
  return true;
}

}  // namespace brelvik
