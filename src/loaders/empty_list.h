// Why a provider's page or answer that arrived gave none of its channel list,
// and how the user is told.
#pragma once

#include <string>

#include "support/ui_texts.h"

namespace brelvik {

enum class EmptyListCause {
  kNone,           // the list was found
  kMarkerMissing,  // a marker of the cut is not on the page
  kNoChannelLine,  // both markers are there, but no channel line stands between them
  kMalformedUtf8,  // the cut is not well-formed UTF-8, so none of it is read
  kNoEntries,      // the channel-package service's container holds no entry
};

// The notice: what happened, a line break, and the cause.
std::string EmptyListMessage(EmptyListCause cause, const UiTexts& texts);

}  // namespace brelvik
