// Finding the first of a few given bytes in a text, sixteen bytes at a time
// where the processor has SSE2: the loaders' one-pass cutters stop only at the
// bytes their markers and line breaks start with.
#pragma once

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brelvik {

// The index of the first byte at or after `from` that is one of `Bytes`, or
// the text's size when there is none.
template <char... Bytes>
std::size_t FindFirstOf(std::string_view text, std::size_t from) {
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t i = from;
#if defined(__SSE2__)
  for (; i + 16 <= size; i += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    __m128i hit = _mm_setzero_si128();
    ((hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(Bytes)))), ...);
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < size; ++i) {
    const char c = data[i];
    if (((c == Bytes) || ...)) return i;
  }
  return size;
}

// True when some occurrence of `pattern` could run across a point where text
// was taken out, given the byte just before that point and the one just after:
// the two must stand side by side somewhere in the pattern. The cutters check
// this wherever a removal joins two pieces of text that a later replacement
// step would read as one.
constexpr bool CouldSpan(std::string_view pattern, char before, char after) {
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (pattern[i] == before && pattern[i + 1] == after) return true;
  }
  return false;
}

}  // namespace brelvik
