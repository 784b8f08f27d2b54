// Provider pages of any number of channels, as the sites lay them out, for
// the benchmarks and for holding the one-pass bodies against the references;
// and a way to damage a page at random with pieces of its own markers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik::test {

std::string GeneratedVsetvPage(int channels);
std::string GeneratedTeleguidePage(int channels);
std::string GeneratedAkadoPage(int channels);
std::string GeneratedNtvplusPage(int channels);
std::string GeneratedOntimetvPage(int channels);
std::string GeneratedZakonPage(int channels);
// Ten tabs of check boxes, one a line, indented with tabs, CR LF line ends.
std::string GeneratedTricolorPage(int channels);
// An indented channel-package answer, about 52 bytes per channel.
std::string GeneratedChannelPackageAnswer(int channels);

// `page` with `edits` random edits (seeded by `seed`): a piece of one of
// `markers`, a line break, a NUL, a character reference or another odd byte
// put in somewhere, or a few bytes taken out.
std::string DamagedPage(std::string page, const std::vector<std::string_view>& markers,
                        std::uint32_t seed, int edits);

}  // namespace brelvik::test
