// Byte-string cutting, trimming, replacement and the (sorted) line lists the
// loaders use to take provider pages apart.
#include "support/text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace brelvik {

namespace {

// std::string_view::find reports an empty needle at position 0; an empty
// delimiter or marker must instead count as never found, or the cutters would
// spin on an empty field.
std::size_t FindNonEmpty(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return std::string_view::npos;
  return haystack.find(needle);
}

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string ExtractField(std::string_view text, int n, std::string_view delimiter) {
  if (n <= 0) return std::string(text);
  std::string_view rest = text;
  for (int k = 1; k <= n; ++k) {
    const std::size_t pos = FindNonEmpty(rest, delimiter);
    // Without an occurrence the rest never changes again, so every later field,
    // the N-th included, is the whole rest; this also keeps a huge N cheap.
    if (pos == std::string_view::npos) return std::string(rest);
    if (k == n) return std::string(rest.substr(0, pos));
    // Skips only the occurrence's first byte, as the callers' one-byte
    // delimiters have always been handled.
    rest.remove_prefix(pos + 1);
  }
  return std::string(rest);
}

std::string TextBetween(std::string_view start_marker, std::string_view text,
                        std::string_view end_marker) {
  if (start_marker.empty() || text.empty() || end_marker.empty()) return {};
  const std::size_t start = text.find(start_marker);
  if (start == std::string_view::npos) return {};
  const std::string_view after = text.substr(start + start_marker.size());
  const std::size_t end = after.find(end_marker);
  if (end == std::string_view::npos) return {};
  return std::string(after.substr(0, end));
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t pos = text.find(from); pos != std::string_view::npos;
       pos = text.find(from, done)) {
    result.append(text.data() + done, pos - done);
    result.append(to);
    done = pos + from.size();
  }
  result.append(text.data() + done, text.size() - done);
  return result;
}

std::vector<std::string> SplitLines(std::string_view text) {
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text = text.substr(0, static_cast<const char*>(nul) - text.data());
  }
  std::vector<std::string> lines;
  std::size_t line_start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text.substr(line_start, i - line_start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    line_start = i;
  }
  if (line_start < text.size()) lines.emplace_back(text.substr(line_start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text.append(line);
    text.append("\r\n");
  }
  return text;
}

namespace {

std::unique_ptr<icu::Collator> CreateLineCollator() {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !collator) {
    throw std::runtime_error(std::string("cannot create the collator: ") +
                             u_errorName(status));
  }
  collator->setStrength(icu::Collator::SECONDARY);
  return collator;
}

// The collator is opened once; each thread works on its own clone, so no
// reliance is placed on how far a shared instance's const methods are
// thread-safe, and a clone is far cheaper than opening the locale's data.
const icu::Collator& ThreadCollator() {
  static const std::unique_ptr<icu::Collator> prototype = CreateLineCollator();
  thread_local const std::unique_ptr<icu::Collator> clone(prototype->clone());
  if (!clone) throw std::runtime_error("cannot clone the collator");
  return *clone;
}

std::string SortKey(std::string_view line) {
  const icu::Collator& collator = ThreadCollator();
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(line.data(), static_cast<int32_t>(line.size())));
  std::string key(64, '\0');
  int32_t length = collator.getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                                       static_cast<int32_t>(key.size()));
  if (length > static_cast<int32_t>(key.size())) {
    key.resize(length);
    length = collator.getSortKey(text, reinterpret_cast<uint8_t*>(key.data()), length);
  }
  // The reported length counts the key's terminating zero byte, which adds
  // nothing to the ordering.
  key.resize(length > 0 ? length - 1 : 0);
  return key;
}

}  // namespace

SortedLineList::SortedLineList() = default;
SortedLineList::~SortedLineList() = default;

bool SortedLineList::Add(std::string_view line) {
  return entries_.insert(Entry{SortKey(line), std::string(line)}).second;
}

void SortedLineList::AddText(std::string_view text) {
  for (std::string& line : SplitLines(text)) {
    entries_.insert(Entry{SortKey(line), std::move(line)});
  }
}

std::vector<std::string> SortedLineList::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  for (const Entry& entry : entries_) lines.push_back(entry.line);
  return lines;
}

}  // namespace brelvik
