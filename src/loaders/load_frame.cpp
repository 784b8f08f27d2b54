// The loader frame shared by every provider: probe, body, outcome.
#include "loaders/load_frame.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "loaders/loaders.h"
#include "support/text.h"

namespace brelvik {

void LoadContext::Pause(std::chrono::milliseconds duration) {
  const auto until = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < until) {
    if (cancel_.Cancelled()) throw HttpCancelled();
    const auto left = until - std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        left, std::chrono::milliseconds(20)));
  }
}

const Loader& LoaderFor(std::string_view key) {
  static const std::map<std::string_view, Loader> loaders{
      {"vsetv", VsetvLoader()},
      {"mailru", MailruLoader()},
      {"idcmd", IdcmdLoader()},
      {"stv", StvLoader()},
      {"smartlab", SmartlabLoader()},
      {"tricolor", TricolorLoader()},
      {"moyo", MoyoLoader()},
      {"teleguide", TeleguideLoader()},
      {"akado", AkadoLoader()},
      {"ntvplus", NtvplusLoader()},
      {"ontimetv", OntimetvLoader()},
      {"zakon", ZakonLoader()},
  };
  // Every key of the provider table has its loader (a test checks it).
  return loaders.at(key);
}

void DropBlankRows(ChannelRows& rows, EmptyListCause& empty_list) {
  const bool had_rows = !rows.empty();
  std::erase_if(rows, [](const ChannelRow& row) {
    return TrimView(row.name).empty() && TrimView(row.code).empty();
  });
  if (had_rows && rows.empty() && empty_list == EmptyListCause::kNone) {
    empty_list = EmptyListCause::kNoChannelLine;
  }
}

std::string SiteLabelOf(const Provider& provider, const ProviderSites& sites) {
  return ": " + sites.Address(provider.key);
}

LoadResult RunLoad(const Provider& provider, HttpClient& http, const ProviderSites& sites,
                   const LoadOptions& options, const CancelToken& cancel) {
  const auto break_off = [](LoadResult& cancelled) {
    cancelled.status = LoadStatus::kCancelled;
    cancelled.failure = Failure{FailureKind::kCancelled};
    cancelled.error = FailureText(cancelled.failure, Language::kEn);
    cancelled.rows.clear();
  };
  LoadResult result;
  result.site_label = SiteLabelOf(provider, sites);
  const Loader& loader = LoaderFor(provider.key);
  try {
    if (!options.skip_probe &&
        !SiteAvailable(loader.probe_address(sites), options.probe_limits, cancel)) {
      if (cancel.Cancelled()) {
        break_off(result);
      } else {
        result.status = LoadStatus::kNoConnect;
      }
      return result;
    }
    LoadContext ctx(http, sites, cancel);
    ctx.trace_file = options.trace_file;
    result.rows = loader.body(ctx);
    result.warnings = ctx.TakeWarnings();
    result.empty_list = ctx.empty_list;
    DropBlankRows(result.rows, result.empty_list);
    result.status = LoadStatus::kLoaded;
  } catch (const HttpCancelled& e) {
    result.status = LoadStatus::kCancelled;
    result.failure = e.GetFailure();
    result.error = e.what();
  } catch (const std::exception& e) {
    result.status = LoadStatus::kFailed;
    result.failure = FailureOf(e);
    result.error = e.what();
    result.rows.clear();
  }
  if (cancel.Cancelled() && result.status != LoadStatus::kCancelled) break_off(result);
  return result;
}

}  // namespace brelvik
