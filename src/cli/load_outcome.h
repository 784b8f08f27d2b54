// What the command line makes of a load that ended with a list: the warnings
// it prints, whether an output file may be written, and the exit status.
// Every command that loads a provider's list goes through it.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "loaders/load_frame.h"
#include "outputs/channel_id_map.h"
#include "support/ui_texts.h"

namespace brelvik {

class LoadOutcome {
 public:
  // A load that held its list: nothing to warn about, every file may be written.
  LoadOutcome() = default;
  // `allow_empty`: --allow-empty was given.
  LoadOutcome(const LoadResult& result, Language language, bool allow_empty);

  // The load's warnings, then, when the page held no channel list, the notice
  // saying so and why; each as "brelvik-cli: warning: ..." on `err`.
  void PrintWarnings(std::ostream& err) const;

  // Whether `path` may be written now. Always, unless the page held no
  // channel list and the file exists: then a good file would be replaced by
  // an empty list, which only --allow-empty allows; a refusal is said on `err`.
  bool MayWrite(const std::filesystem::path& path, std::ostream& err) const;

  // kExitLoaded, or kExitNoChannelList when the page held no channel list.
  int ExitCode() const;

 private:
  std::vector<std::string> warnings_;  // in the run's language
  EmptyListCause empty_list_ = EmptyListCause::kNone;
  const UiTexts* texts_ = &TextsFor(Language::kRu);
  bool allow_empty_ = false;
};

// After a channel-id file was written: its lost characters and colliding
// keys as warnings on `err`, every row and key named.
void PrintChannelIdFindings(const ChannelIdFindings& findings, Language language,
                            std::ostream& err);

}  // namespace brelvik
