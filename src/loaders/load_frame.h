// The frame every loader runs: probe the provider's site, obtain the list,
// cut it into rows. The window's part of the frame (progress, messages) is the
// caller's; this part runs on any thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "loaders/channel_row.h"
#include "loaders/empty_list.h"
#include "loaders/providers.h"
#include "support/cancel.h"
#include "support/failure.h"
#include "support/http_client.h"
#include "support/site_probe.h"

namespace brelvik {

// What a loader's body may use.
class LoadContext {
 public:
  LoadContext(HttpClient& http, const ProviderSites& sites, CancelToken cancel)
      : http_(http), sites_(sites), cancel_(std::move(cancel)) {}

  HttpClient& Http() { return http_; }
  const ProviderSites& Sites() const { return sites_; }
  const CancelToken& Cancel() const { return cancel_; }

  // GET through the shared client; raises HttpError.
  std::string Get(const std::string& url) { return http_.Get(url, cancel_); }

  // Waits, giving up early (HttpCancelled) when the load is cancelled.
  void Pause(std::chrono::milliseconds duration);

  // A failure that did not cost the rows, reported after the load.
  void Warn(Failure warning) { warnings_.push_back(std::move(warning)); }
  std::vector<Failure> TakeWarnings() { return std::move(warnings_); }

  // Where a loader that keeps a trace file writes it; empty for its default.
  std::filesystem::path trace_file;
  // Set by the body when the page or answer arrived but held no channel list.
  EmptyListCause empty_list = EmptyListCause::kNone;

 private:
  HttpClient& http_;
  const ProviderSites& sites_;
  CancelToken cancel_;
  std::vector<Failure> warnings_;
};

struct Loader {
  // The address the probe step checks.
  std::function<std::string(const ProviderSites&)> probe_address;
  // Obtains the list and cuts it into rows, in list order. Raises on failure.
  std::function<ChannelRows(LoadContext&)> body;
};

// The loader of a provider key; every provider of the selector has one, and
// any other key raises std::out_of_range.
const Loader& LoaderFor(std::string_view key);

enum class LoadStatus {
  kLoaded,     // rows obtained (possibly none)
  kNoConnect,  // the probe found the site unavailable
  kFailed,     // fetching or cutting raised an error
  kCancelled,  // given up on request
};

struct LoadResult {
  LoadStatus status = LoadStatus::kFailed;
  ChannelRows rows;                   // in list order, without blank rows (DropBlankRows)
  Failure failure;                    // what went wrong when kFailed or kCancelled
  std::string error;                  // the failure's English text
  std::vector<Failure> warnings;      // failures that did not cost the rows
  // kLoaded only: why the page or answer that arrived held no channel list,
  // kNone when it held one. The rows are still what the page gives (akado's
  // fixed rows, for one).
  EmptyListCause empty_list = EmptyListCause::kNone;
  std::string site_label;             // ": " and the provider's site address
};

struct LoadOptions {
  bool skip_probe = false;
  // The probe's limits; the GETs' are the HTTP client's own.
  ProbeLimits probe_limits;
  std::filesystem::path trace_file;
};

// Leaves out the rows whose name and code are both empty once trimmed (a
// line break between a list's entries cut as an entry): they are no
// channels. When the body gave rows and all were such, the page held no
// channel list, and `empty_list` says so unless it already says why.
void DropBlankRows(ChannelRows& rows, EmptyListCause& empty_list);

// ": " followed by the provider's site address in force.
std::string SiteLabelOf(const Provider& provider, const ProviderSites& sites);

// Probe, then body. Never raises: the outcome is in the result.
LoadResult RunLoad(const Provider& provider, HttpClient& http, const ProviderSites& sites,
                   const LoadOptions& options = {}, const CancelToken& cancel = {});

}  // namespace brelvik
