// MD5 (RFC 1321): context handling, the compression function and the hexadecimal rendering.
#include "support/md5.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <iterator>

namespace brelvik {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Two digits per byte, the same text IntToHexDigits(byte, 2) gives; Md5Hex renders through it
// because it is the hot loop for short channel names.
constexpr std::array<char, 512> MakeByteHexTable() {
  std::array<char, 512> table{};
  for (int byte = 0; byte < 256; ++byte) {
    table[2 * byte] = kHexDigits[byte >> 4];
    table[2 * byte + 1] = kHexDigits[byte & 15];
  }
  return table;
}
constexpr std::array<char, 512> kByteHex = MakeByteHexTable();

inline std::uint32_t LoadLe32(const unsigned char* p) {
  std::uint32_t value;
  std::memcpy(&value, p, 4);
  if constexpr (std::endian::native == std::endian::big) {
    value = (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
  }
  return value;
}

inline void StoreLe32(unsigned char* p, std::uint32_t value) {
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
  p[2] = static_cast<unsigned char>(value >> 16);
  p[3] = static_cast<unsigned char>(value >> 24);
}

// The steps are written out so the chaining words stay in registers; G adds its two disjoint
// halves separately, which lets the half that does not depend on b start a step early.
inline void StepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k, int s) {
  a += (d ^ (b & (c ^ d))) + x + k;
  a = std::rotl(a, s) + b;
}

inline void StepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k, int s) {
  a += (c & ~d) + x + k;
  a += b & d;
  a = std::rotl(a, s) + b;
}

inline void StepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k, int s) {
  a += (b ^ c ^ d) + x + k;
  a = std::rotl(a, s) + b;
}

inline void StepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k, int s) {
  a += (c ^ (b | ~d)) + x + k;
  a = std::rotl(a, s) + b;
}

// Compresses `blocks` consecutive 64-byte blocks into `state`.
void CompressBlocks(std::uint32_t state[4], const unsigned char* data, std::size_t blocks) {
  std::uint32_t a = state[0];
  std::uint32_t b = state[1];
  std::uint32_t c = state[2];
  std::uint32_t d = state[3];
  for (; blocks > 0; --blocks, data += 64) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(data + 4 * i);
    const std::uint32_t aa = a, bb = b, cc = c, dd = d;

    StepF(a, b, c, d, x[0], 0xD76AA478, 7);
    StepF(d, a, b, c, x[1], 0xE8C7B756, 12);
    StepF(c, d, a, b, x[2], 0x242070DB, 17);
    StepF(b, c, d, a, x[3], 0xC1BDCEEE, 22);
    StepF(a, b, c, d, x[4], 0xF57C0FAF, 7);
    StepF(d, a, b, c, x[5], 0x4787C62A, 12);
    StepF(c, d, a, b, x[6], 0xA8304613, 17);
    StepF(b, c, d, a, x[7], 0xFD469501, 22);
    StepF(a, b, c, d, x[8], 0x698098D8, 7);
    StepF(d, a, b, c, x[9], 0x8B44F7AF, 12);
    StepF(c, d, a, b, x[10], 0xFFFF5BB1, 17);
    StepF(b, c, d, a, x[11], 0x895CD7BE, 22);
    StepF(a, b, c, d, x[12], 0x6B901122, 7);
    StepF(d, a, b, c, x[13], 0xFD987193, 12);
    StepF(c, d, a, b, x[14], 0xA679438E, 17);
    StepF(b, c, d, a, x[15], 0x49B40821, 22);

    StepG(a, b, c, d, x[1], 0xF61E2562, 5);
    StepG(d, a, b, c, x[6], 0xC040B340, 9);
    StepG(c, d, a, b, x[11], 0x265E5A51, 14);
    StepG(b, c, d, a, x[0], 0xE9B6C7AA, 20);
    StepG(a, b, c, d, x[5], 0xD62F105D, 5);
    StepG(d, a, b, c, x[10], 0x02441453, 9);
    StepG(c, d, a, b, x[15], 0xD8A1E681, 14);
    StepG(b, c, d, a, x[4], 0xE7D3FBC8, 20);
    StepG(a, b, c, d, x[9], 0x21E1CDE6, 5);
    StepG(d, a, b, c, x[14], 0xC33707D6, 9);
    StepG(c, d, a, b, x[3], 0xF4D50D87, 14);
    StepG(b, c, d, a, x[8], 0x455A14ED, 20);
    StepG(a, b, c, d, x[13], 0xA9E3E905, 5);
    StepG(d, a, b, c, x[2], 0xFCEFA3F8, 9);
    StepG(c, d, a, b, x[7], 0x676F02D9, 14);
    StepG(b, c, d, a, x[12], 0x8D2A4C8A, 20);

    StepH(a, b, c, d, x[5], 0xFFFA3942, 4);
    StepH(d, a, b, c, x[8], 0x8771F681, 11);
    StepH(c, d, a, b, x[11], 0x6D9D6122, 16);
    StepH(b, c, d, a, x[14], 0xFDE5380C, 23);
    StepH(a, b, c, d, x[1], 0xA4BEEA44, 4);
    StepH(d, a, b, c, x[4], 0x4BDECFA9, 11);
    StepH(c, d, a, b, x[7], 0xF6BB4B60, 16);
    StepH(b, c, d, a, x[10], 0xBEBFBC70, 23);
    StepH(a, b, c, d, x[13], 0x289B7EC6, 4);
    StepH(d, a, b, c, x[0], 0xEAA127FA, 11);
    StepH(c, d, a, b, x[3], 0xD4EF3085, 16);
    StepH(b, c, d, a, x[6], 0x04881D05, 23);
    StepH(a, b, c, d, x[9], 0xD9D4D039, 4);
    StepH(d, a, b, c, x[12], 0xE6DB99E5, 11);
    StepH(c, d, a, b, x[15], 0x1FA27CF8, 16);
    StepH(b, c, d, a, x[2], 0xC4AC5665, 23);

    StepI(a, b, c, d, x[0], 0xF4292244, 6);
    StepI(d, a, b, c, x[7], 0x432AFF97, 10);
    StepI(c, d, a, b, x[14], 0xAB9423A7, 15);
    StepI(b, c, d, a, x[5], 0xFC93A039, 21);
    StepI(a, b, c, d, x[12], 0x655B59C3, 6);
    StepI(d, a, b, c, x[3], 0x8F0CCC92, 10);
    StepI(c, d, a, b, x[10], 0xFFEFF47D, 15);
    StepI(b, c, d, a, x[1], 0x85845DD1, 21);
    StepI(a, b, c, d, x[8], 0x6FA87E4F, 6);
    StepI(d, a, b, c, x[15], 0xFE2CE6E0, 10);
    StepI(c, d, a, b, x[6], 0xA3014314, 15);
    StepI(b, c, d, a, x[13], 0x4E0811A1, 21);
    StepI(a, b, c, d, x[4], 0xF7537E82, 6);
    StepI(d, a, b, c, x[11], 0xBD3AF235, 10);
    StepI(c, d, a, b, x[2], 0x2AD7D2BB, 15);
    StepI(b, c, d, a, x[9], 0xEB86D391, 21);

    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

}  // namespace

void Md5Clear(Md5Context& ctx) {
  ctx.buffer_count = 0;
  ctx.bits_low = 0;
  ctx.bits_high = 0;
  std::memset(ctx.buffer, 0, sizeof ctx.buffer);
  std::memset(ctx.state, 0, sizeof ctx.state);
}

void Md5Init(Md5Context& ctx) {
  Md5Clear(ctx);
  ctx.state[0] = 0x67452301;
  ctx.state[1] = 0xEFCDAB89;
  ctx.state[2] = 0x98BADCFE;
  ctx.state[3] = 0x10325476;
}

void Md5Update(Md5Context& ctx, const unsigned char* data, std::uint32_t n) {
  ctx.bits_high += n >> 29;
  const std::uint32_t added_bits = n << 3;
  ctx.bits_low += added_bits;
  if (ctx.bits_low < added_bits) ++ctx.bits_high;
  if (n == 0) return;  // an empty text may come with a null pointer, which memcpy must not see

  if (ctx.buffer_count > 0) {
    const std::uint32_t free = 64 - ctx.buffer_count;
    if (free > n) {
      std::memcpy(ctx.buffer + ctx.buffer_count, data, n);
      ctx.buffer_count += n;
      return;
    }
    std::memcpy(ctx.buffer + ctx.buffer_count, data, free);
    data += free;
    n -= free;
    Md5Transform(ctx);
  }
  // The buffer is empty and all zero here, so whole blocks can be compressed straight from the
  // input: copying them through the buffer first would give the same state and leave the same
  // zeros behind.
  const std::uint32_t whole = n & ~63u;
  CompressBlocks(ctx.state, data, whole / 64);
  data += whole;
  n -= whole;
  std::memcpy(ctx.buffer, data, n);
  ctx.buffer_count = n;
}

void Md5Transform(Md5Context& ctx) {
  CompressBlocks(ctx.state, ctx.buffer, 1);
  ctx.buffer_count = 0;
  std::memset(ctx.buffer, 0, sizeof ctx.buffer);
}

void Md5Final(Md5Context& ctx, unsigned char digest[16]) {
  // Everything after the marker is already zero, so the padding needs only the marker and the
  // length.
  ctx.buffer[ctx.buffer_count] = 0x80;
  if (ctx.buffer_count >= 56) Md5Transform(ctx);
  StoreLe32(ctx.buffer + 56, ctx.bits_low);
  StoreLe32(ctx.buffer + 60, ctx.bits_high);
  Md5Transform(ctx);
  for (int i = 0; i < 4; ++i) StoreLe32(digest + 4 * i, ctx.state[i]);
  Md5Clear(ctx);
}

std::string Md5Hex(std::string_view text) {
  Md5Context ctx;
  Md5Init(ctx);
  // Md5Update counts bytes in 32 bits; longer texts go in several calls, which the bit count
  // carries across.
  constexpr std::size_t kMaxChunk = std::size_t{1} << 31;
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t remaining = text.size();
  do {
    const std::size_t chunk = remaining < kMaxChunk ? remaining : kMaxChunk;
    Md5Update(ctx, data, static_cast<std::uint32_t>(chunk));
    data += chunk;
    remaining -= chunk;
  } while (remaining > 0);

  unsigned char digest[16];
  Md5Final(ctx, digest);
  std::string hex(32, '\0');
  for (int i = 0; i < 16; ++i) {
    hex[2 * i] = kByteHex[2 * digest[i]];
    hex[2 * i + 1] = kByteHex[2 * digest[i] + 1];
  }
  Md5Clear(ctx);
  return hex;
}

std::string IntToHexDigits(std::uint32_t value, int digits) {
  digits &= 15;
  char reversed[16];
  int count = 0;
  do {
    reversed[count++] = kHexDigits[value & 15];
    value >>= 4;
    --digits;
  } while (value != 0 || digits > 0);
  return std::string(std::make_reverse_iterator(reversed + count),
                     std::make_reverse_iterator(reversed));
}

}  // namespace brelvik
