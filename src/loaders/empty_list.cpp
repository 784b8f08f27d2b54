// The notice of a load that found no channel list.
#include "loaders/empty_list.h"

namespace brelvik {

std::string EmptyListMessage(EmptyListCause cause, const UiTexts& texts) {
  std::string_view headline = texts.no_channel_list;
  std::string_view reason;
  switch (cause) {
    case EmptyListCause::kNone:
      return {};
    case EmptyListCause::kMarkerMissing:
      reason = texts.cause_marker_missing;
      break;
    case EmptyListCause::kNoChannelLine:
      reason = texts.cause_no_channel_line;
      break;
    case EmptyListCause::kMalformedUtf8:
      reason = texts.cause_malformed_utf8;
      break;
    case EmptyListCause::kNoEntries:
      headline = texts.no_package_entries;
      reason = texts.cause_no_entries;
      break;
  }
  return std::string(headline) + "\n" + std::string(reason);
}

}  // namespace brelvik
