// Tests of the MD5 digest against RFC 1321 vectors and a plain textbook reference implementation.
#include "support/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace brelvik {
namespace {

// Textbook MD5, kept deliberately unlike the real one: the message is padded up front, the
// constants come from the sine formula and the 64 steps run from tables in one loop.
std::vector<unsigned char> ReferenceMd5(const std::string& message) {
  std::uint32_t k[64];
  for (int i = 0; i < 64; ++i) {
    k[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
  }
  static const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

  std::vector<unsigned char> padded(message.begin(), message.end());
  const std::uint64_t bit_length = static_cast<std::uint64_t>(message.size()) * 8;
  padded.push_back(0x80);
  while (padded.size() % 64 != 56) padded.push_back(0);
  for (int i = 0; i < 8; ++i) padded.push_back(static_cast<unsigned char>(bit_length >> (8 * i)));

  std::uint32_t h[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
  for (std::size_t offset = 0; offset < padded.size(); offset += 64) {
    std::uint32_t m[16];
    for (int i = 0; i < 16; ++i) {
      m[i] = 0;
      for (int j = 3; j >= 0; --j) m[i] = (m[i] << 8) | padded[offset + 4 * i + j];
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (int i = 0; i < 64; ++i) {
      std::uint32_t f;
      int g;
      if (i < 16) {
        f = (b & c) | (~b & d);
        g = i;
      } else if (i < 32) {
        f = (d & b) | (~d & c);
        g = (5 * i + 1) % 16;
      } else if (i < 48) {
        f = b ^ c ^ d;
        g = (3 * i + 5) % 16;
      } else {
        f = c ^ (b | ~d);
        g = (7 * i) % 16;
      }
      const std::uint32_t sum = a + f + k[i] + m[g];
      a = d;
      d = c;
      c = b;
      b = b + ((sum << kShift[i]) | (sum >> (32 - kShift[i])));
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
  }
  std::vector<unsigned char> digest;
  for (std::uint32_t word : h) {
    for (int i = 0; i < 4; ++i) digest.push_back(static_cast<unsigned char>(word >> (8 * i)));
  }
  return digest;
}

std::string RandomBytes(std::mt19937& rng, std::size_t length) {
  std::string bytes(length, '\0');
  for (char& byte : bytes) byte = static_cast<char>(rng() & 0xFF);
  return bytes;
}

void ExpectBufferTailZero(const Md5Context& ctx) {
  ASSERT_LT(ctx.buffer_count, 64u);
  for (std::uint32_t i = ctx.buffer_count; i < 64; ++i) {
    ASSERT_EQ(ctx.buffer[i], 0) << "byte " << i << " with buffer_count " << ctx.buffer_count;
  }
}

void ExpectCleared(const Md5Context& ctx) {
  Md5Context zero;
  std::memset(&zero, 0, sizeof zero);
  EXPECT_EQ(std::memcmp(&ctx, &zero, sizeof ctx), 0);
}

TEST(Md5HexTest, MatchesRfc1321TestSuite) {
  const struct {
    std::string input;
    std::string digest;
  } kCases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& c : kCases) EXPECT_EQ(Md5Hex(c.input), c.digest) << '"' << c.input << '"';
}

// Every length up to 200 crosses the padding boundaries (55/56, 63/64/65, 119..129) in each
// position; the random lengths add multi-block inputs that take the direct block path. The digest
// bytes seen along the way must cover all 256 values, so the rendering is checked against
// IntToHexDigits(byte, 2) for every byte.
TEST(Md5HexTest, MatchesReferenceAndIntToHexDigitsRendering) {
  std::mt19937 rng(20240611);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  std::uniform_int_distribution<std::size_t> medium(201, 5000);
  for (int i = 0; i < 200; ++i) lengths.push_back(medium(rng));
  lengths.push_back((1 << 20) + 17);
  lengths.push_back(3 << 18);

  bool seen[256] = {};
  for (std::size_t length : lengths) {
    const std::string input = RandomBytes(rng, length);
    std::string expected;
    for (unsigned char byte : ReferenceMd5(input)) {
      seen[byte] = true;
      expected += IntToHexDigits(byte, 2);
    }
    ASSERT_EQ(Md5Hex(input), expected) << "length " << length;
  }
  for (int byte = 0; byte < 256; ++byte) EXPECT_TRUE(seen[byte]) << "byte " << byte << " unseen";
}

// Feeding the same bytes in uneven pieces mixes partial-buffer fills with direct block runs; the
// digest must not change and the buffer must stay zero past its count after every piece.
TEST(Md5ContextTest, PiecewiseUpdatesKeepInvariantAndFinalClears) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::uint32_t> piece(0, 200);
  for (int round = 0; round < 100; ++round) {
    const std::string input = RandomBytes(rng, 1 + rng() % 3000);
    const auto* data = reinterpret_cast<const unsigned char*>(input.data());
    Md5Context ctx;
    Md5Init(ctx);
    ExpectBufferTailZero(ctx);
    for (std::size_t offset = 0; offset < input.size();) {
      const std::uint32_t n =
          std::min<std::uint32_t>(piece(rng), static_cast<std::uint32_t>(input.size() - offset));
      Md5Update(ctx, data + offset, n);
      offset += n;
      ExpectBufferTailZero(ctx);
      ASSERT_EQ(ctx.buffer_count, offset % 64);
      ASSERT_EQ(ctx.bits_low, static_cast<std::uint32_t>(offset * 8));
    }
    unsigned char digest[16];
    Md5Final(ctx, digest);
    ExpectCleared(ctx);
    const std::vector<unsigned char> expected = ReferenceMd5(input);
    ASSERT_EQ(std::vector<unsigned char>(digest, digest + 16), expected) << "round " << round;
  }
}

// A message of 2^29 bytes or more overflows the low word of the bit count; one byte added to a
// count one byte short of that must carry into the high word.
TEST(Md5ContextTest, BitCountCarriesIntoHighWord) {
  Md5Context ctx;
  Md5Init(ctx);
  ctx.bits_low = 0xFFFFFFF8u;
  ctx.bits_high = 5;
  const unsigned char byte = 'x';
  Md5Update(ctx, &byte, 1);
  EXPECT_EQ(ctx.bits_low, 0u);
  EXPECT_EQ(ctx.bits_high, 6u);
  Md5Update(ctx, &byte, 1);
  EXPECT_EQ(ctx.bits_low, 8u);
  EXPECT_EQ(ctx.bits_high, 6u);
}

TEST(IntToHexDigitsTest, RendersUpperCaseWithMaskedMinimumWidth) {
  const struct {
    std::uint32_t value;
    int digits;
    std::string expected;
  } kCases[] = {
      {0, 0, "0"},
      {0x1F, 1, "1F"},
      {10, 4, "000A"},
      {0, 16, "0"},
      {0xFFFFFFFF, 0, "FFFFFFFF"},
      {10, 2, "0A"},
      {255, 18, "FF"},
      {0, 15, "000000000000000"},
      {0xABCDEF, 3, "ABCDEF"},
      {0x1234, 8, "00001234"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(IntToHexDigits(c.value, c.digits), c.expected)
        << "value " << c.value << " digits " << c.digits;
  }
}

}  // namespace
}  // namespace brelvik
