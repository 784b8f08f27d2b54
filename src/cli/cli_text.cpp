// JSON strings and padded columns for the command line's outputs.
#include "cli/cli_text.h"

#include <cstdio>

#include "support/codepage.h"

namespace brelvik {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Padded(std::string_view text, std::size_t width, bool right) {
  const std::size_t length = Utf8Length(text);
  const std::string pad(width > length ? width - length : 0, ' ');
  return right ? pad + std::string(text) : std::string(text) + pad;
}

}  // namespace brelvik
