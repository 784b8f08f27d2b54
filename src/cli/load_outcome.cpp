// The command line's warnings, file guard and exit status after a load.
#include "cli/load_outcome.h"

#include <system_error>

#include "cli/cli.h"
#include "support/failure.h"

namespace brelvik {

namespace {
constexpr std::string_view kWarning = "brelvik-cli: warning: ";
}  // namespace

LoadOutcome::LoadOutcome(const LoadResult& result, Language language, bool allow_empty)
    : empty_list_(result.empty_list),
      texts_(&TextsFor(language)),
      allow_empty_(allow_empty) {
  for (const Failure& warning : result.warnings) warnings_.push_back(FailureText(warning, language));
}

void LoadOutcome::PrintWarnings(std::ostream& err) const {
  for (const std::string& warning : warnings_) err << kWarning << warning << "\n";
  if (empty_list_ != EmptyListCause::kNone) {
    err << kWarning << EmptyListMessage(empty_list_, *texts_) << "\n";
  }
}

bool LoadOutcome::MayWrite(const std::filesystem::path& path, std::ostream& err) const {
  if (empty_list_ == EmptyListCause::kNone || allow_empty_) return true;
  std::error_code error;
  // A file that cannot even be looked at is left to the write to report.
  if (!std::filesystem::exists(path, error)) return true;
  err << kWarning << texts_->kept_existing_file << path.string() << "\n";
  return false;
}

int LoadOutcome::ExitCode() const {
  return empty_list_ == EmptyListCause::kNone ? kExitLoaded : kExitNoChannelList;
}

void PrintChannelIdFindings(const ChannelIdFindings& findings, Language language,
                            std::ostream& err) {
  for (const FindingReport& report : DescribeChannelIdFindings(findings, TextsFor(language))) {
    err << kWarning << report.header << "\n";
    for (const std::string& item : report.items) err << "  " << item << "\n";
  }
}

}  // namespace brelvik
