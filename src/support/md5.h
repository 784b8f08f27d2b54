// MD5 (RFC 1321) of a byte string, rendered as 32 upper-case hexadecimal digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brelvik {

// The context of one digest; private to one call of Md5Hex.
struct Md5Context {
  std::uint32_t buffer_count;  // bytes held in `buffer`, 0 to 63
  std::uint32_t bits_low;      // message length in bits, low word
  std::uint32_t bits_high;     // message length in bits, high word
  std::uint32_t state[4];      // A, B, C, D
  // Invariant: every byte at or beyond buffer_count is zero.
  unsigned char buffer[64];
};

void Md5Clear(Md5Context& ctx);
void Md5Init(Md5Context& ctx);
// `n` is at most 2^32 - 1; longer messages go in several calls.
void Md5Update(Md5Context& ctx, const unsigned char* data, std::uint32_t n);
void Md5Transform(Md5Context& ctx);
void Md5Final(Md5Context& ctx, unsigned char digest[16]);

std::string Md5Hex(std::string_view text);

// `value` in upper-case hexadecimal, at least (digits & 15) digits, at least one.
std::string IntToHexDigits(std::uint32_t value, int digits);

}  // namespace brelvik
