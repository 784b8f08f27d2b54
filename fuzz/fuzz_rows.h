// The checks every fuzz target runs on the rows a loader's body gave for
// arbitrary bytes; a failed check stops the fuzzer on the input at hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "loaders/channel_row.h"
#include "loaders/empty_list.h"
#include "support/codepage.h"

namespace brelvik::fuzz {

inline std::string_view AsPage(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Stops the fuzzer unless the one-pass body and the step-by-step reference
// gave the same rows (names, codes, order) and the same empty-list cause.
inline void CheckSameRows(const ChannelRows& rows, EmptyListCause cause,
                          const ChannelRows& reference, EmptyListCause reference_cause) {
  if (rows != reference || cause != reference_cause) __builtin_trap();
}

// Every name and code is well-formed UTF-8.
inline void CheckUtf8Rows(const ChannelRows& rows) {
  for (const ChannelRow& row : rows) {
    if (!IsValidUtf8(row.name) || !IsValidUtf8(row.code)) __builtin_trap();
  }
}

// Every name and code is well-formed UTF-8 and holds neither ">" nor a line
// break, so each row would write back as one "code>name" line.
inline void CheckCleanRows(const ChannelRows& rows) {
  CheckUtf8Rows(rows);
  for (const ChannelRow& row : rows) {
    if (row.name.find_first_of(">\r\n") != std::string_view::npos ||
        row.code.find_first_of(">\r\n") != std::string_view::npos) {
      __builtin_trap();
    }
  }
}

// Every name and code is well-formed UTF-8 and holds no line break, so each
// row stays one line. A ">" may stand in it: the cutting split at every one
// the page held, but a character reference ("&gt;") decodes to one afterwards.
inline void CheckOneLineRows(const ChannelRows& rows) {
  CheckUtf8Rows(rows);
  for (const ChannelRow& row : rows) {
    if (row.name.find_first_of("\r\n") != std::string_view::npos ||
        row.code.find_first_of("\r\n") != std::string_view::npos) {
      __builtin_trap();
    }
  }
}

// Only lines that start with a digit become rows, and the code is their start.
inline void CheckCodesStartWithDigits(const ChannelRows& rows) {
  for (const ChannelRow& row : rows) {
    if (row.code.empty() || row.code[0] < '0' || row.code[0] > '9') __builtin_trap();
  }
}

// Nameless lines give no row.
inline void CheckNamed(const ChannelRows& rows) {
  for (const ChannelRow& row : rows) {
    if (row.name.empty()) __builtin_trap();
  }
}

}  // namespace brelvik::fuzz
