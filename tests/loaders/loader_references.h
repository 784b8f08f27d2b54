// The loader bodies as they were first written: whole-text replacements one
// after the other, a copy per step, the sorted line list a map from an ICU
// sort key made afresh for each line. The loaders cut the same rows in one
// pass over the page; tests, fuzz targets and benchmarks hold them against
// these, which are kept as they are on purpose.
#pragma once

#include <unicode/coll.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/channel_row.h"
#include "loaders/empty_list.h"
#include "loaders/loaders.h"

namespace brelvik::test {

// Lines kept in ICU root collation order at secondary strength, each once.
class ReferenceSortedLines {
 public:
  ReferenceSortedLines();
  ~ReferenceSortedLines();
  // Adds the line unless one with the same sort key is held; true when added.
  bool Add(const std::string& line);
  std::vector<std::string> Sorted() const;
  std::size_t Count() const { return lines_.size(); }

 private:
  std::unique_ptr<icu::Collator> collator_;
  std::map<std::string, std::string> lines_;
};

ChannelRows ParseVsetvPageReference(std::string_view page, EmptyListCause* empty = nullptr);
ChannelRows ParseTeleguidePageReference(std::string_view page, EmptyListCause* empty = nullptr);
ChannelRows ParseAkadoPageReference(std::string_view page, EmptyListCause* empty = nullptr);
ChannelRows ParseNtvplusPageReference(std::string_view page, EmptyListCause* empty = nullptr);
ChannelRows ParseOntimetvPageReference(std::string_view page, EmptyListCause* empty = nullptr);
ChannelRows ParseZakonPageReference(std::string_view page, EmptyListCause* empty = nullptr);
ChannelRows ParseBuiltinListReference(std::string_view text);
TricolorPage ParseTricolorPageReference(std::string_view page);
// The tricolor filter's cleaned lines alone, as the trace file keeps them.
std::vector<std::string> TricolorReferenceLines(std::string_view page);
// A channel-package entry's row: "name>code" cut again at ">".
ChannelRow ChannelPackageRowReference(std::string_view name, std::string_view code);

}  // namespace brelvik::test
