// The mailru, idcmd and stv loaders: channel lists compiled into the program
// from src/loaders/lists, shown only once the provider's site answers.
#include <string>

#include "loaders/loaders.h"
#include "support/text.h"

namespace brelvik {

namespace embedded {
// Generated at build time from the list files.
extern const std::string_view kMailruList;
extern const std::string_view kIdcmdList;
extern const std::string_view kStvList;
}  // namespace embedded

namespace {

// The list needs no network, yet the load still probes the site and then
// holds for the provider's pause, so every provider's load feels the same.
Loader BuiltinListLoader(std::string key, std::chrono::milliseconds pause) {
  return {
      [key](const ProviderSites& sites) { return sites.Address(key); },
      [key, pause](LoadContext& ctx) {
        ChannelRows rows = ParseBuiltinList(BuiltinListText(key));
        ctx.Pause(pause);
        return rows;
      },
  };
}

}  // namespace

std::string_view BuiltinListText(std::string_view key) {
  if (key == "mailru") return embedded::kMailruList;
  if (key == "idcmd") return embedded::kIdcmdList;
  if (key == "stv") return embedded::kStvList;
  return {};
}

ChannelRows ParseBuiltinList(std::string_view text) {
  ChannelRows rows;
  // The files end with a line break, which SplitLines does not turn into a row.
  ForEachLine(text, [&rows](std::string_view line) {
    rows.push_back(
        {std::string(ExtractFieldView(line, 1, ";")), std::string(ExtractFieldView(line, 2, ";"))});
  });
  return rows;
}

Loader MailruLoader() { return BuiltinListLoader("mailru", kMailruPause); }
Loader IdcmdLoader() { return BuiltinListLoader("idcmd", kIdcmdPause); }
Loader StvLoader() { return BuiltinListLoader("stv", kStvPause); }

}  // namespace brelvik
