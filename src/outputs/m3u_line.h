// The extended-information line of an M3U playlist for one channel.
#pragma once

#include <string>
#include <string_view>

namespace brelvik {

// The playlist prefix: the second "."-separated field of the site label
// (": http://www.vsetv.com" gives "vsetv").
std::string M3uPrefix(std::string_view site_label);

// "#EXTINF:0 id=" prefix "_" code "," name, code and name untrimmed.
std::string M3uLine(std::string_view site_label, std::string_view code, std::string_view name);

}  // namespace brelvik
