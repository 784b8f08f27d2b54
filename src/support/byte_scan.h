// Finding the first of a few given bytes in a text, sixteen bytes at a time
// where the processor has SSE2: the loaders' one-pass cutters stop only at the
// bytes their markers and line breaks start with.
#pragma once

#include <string.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
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
  const auto hits = [data](std::size_t at) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    __m128i hit = _mm_setzero_si128();
    ((hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(Bytes)))), ...);
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
  };
  // Thirty-two bytes a step where stops are far apart, as in long markup.
  for (; i + 32 <= size; i += 32) {
    const unsigned mask = hits(i) | (hits(i + 16) << 16);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  for (; i + 16 <= size; i += 16) {
    const unsigned mask = hits(i);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < size; ++i) {
    const char c = data[i];
    if (((c == Bytes) || ...)) return i;
  }
  return size;
}

// text.starts_with(prefix), comparing eight bytes at once first: the
// cutters test each stop for their markers, most of which fail early.
inline bool StartsWith(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  if (prefix.size() >= 8) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, text.data(), 8);
    std::memcpy(&b, prefix.data(), 8);
    if (a != b) return false;
    return std::memcmp(text.data() + 8, prefix.data() + 8, prefix.size() - 8) == 0;
  }
  return std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The index of the first `marker` in `text` at or after `from`, or npos (also
// for an empty marker): the C library's memmem, which skips ahead far faster
// than a search that stops at every occurrence of the marker's first byte.
inline std::size_t FindMarker(std::string_view text, std::string_view marker,
                              std::size_t from = 0) {
  if (marker.empty() || from > text.size()) return std::string_view::npos;
#if defined(__GLIBC__)
  const void* found = memmem(text.data() + from, text.size() - from, marker.data(), marker.size());
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
#else
  return text.find(marker, from);
#endif
}

// The index of the first `c` in `text`, or npos; a plain loop, for the short
// fields the cutters split.
inline std::size_t FindByte(std::string_view text, char c) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
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
