// The provider table: selector texts, list file names and site addresses.
#include "loaders/providers.h"

#include <curl/curl.h>

#include <charconv>

#include "support/codepage.h"

namespace brelvik {

namespace {

constexpr std::array<Provider, kProviderCount> kProviders{{
    {"vsetv", "vsetv.com", "vsetv_list", "http://www.vsetv.com", "", ""},
    {"teleguide", "teleguide.info", "teleguide_list", "http://www.teleguide.info", "", ""},
    {"akado", "akado.ru", "akado_list", "http://www.akado.ru", "", ""},
    {"ntvplus", "ntvplus.ru", "ntvplus_list", "http://www.ntvplus.ru", "", ""},
    {"idcmd", "idc.md", "idcmd_list", "http://www.idc.md", "", ""},
    {"mailru", "tv.mail.ru", "mailru_list", "http://tv.mail.ru", "", ""},
    {"smartlab", "smartlabs.tv", "smartlab_list", "http://www.smartlabs.tv", "smartlab.service",
     "http://sdp.smartlabs.tv:8080"},
    {"ontimetv", "ontvtime.ru", "ontvtime_list", "http://www.ontvtime.ru", "", ""},
    {"tricolor", "tricolor.tv", "tricolor_list", "http://www.tricolor.tv", "tricolor.guide",
     "http://tv.tricolor.tv"},
    {"zakon", "zakon.kz", "zakon_list", "http://www.zakon.kz", "zakon.tv", "http://tv.zakon.kz"},
    {"stv", "stv.ua", "stv_list", "http://www.stv.ua", "", ""},
    {"moyo", "moyo.tv", "moyo_list", "http://www.moyo.tv", "moyo.service",
     "http://sdp.moyo.tv"},
}};

// The built-in address of a name, or nullopt when the name is unknown.
std::optional<std::string_view> DefaultAddress(std::string_view name) {
  for (const Provider& p : kProviders) {
    if (p.key == name) return p.site;
    if (!p.second_name.empty() && p.second_name == name) return p.second_site;
  }
  return std::nullopt;
}

// Why an address cannot be used as a site address; empty when it can.
std::string AddressProblem(std::string_view url) {
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return "the address contains a space or a control character";
  }
  const std::string lowered = AsciiLower(url);
  const std::size_t scheme_end = lowered.find("://");
  if (scheme_end == std::string::npos) return "the address must begin with http:// or https://";
  const std::string scheme = lowered.substr(0, scheme_end);
  if (scheme != "http" && scheme != "https") {
    return "the scheme must be http or https, not \"" + std::string(url.substr(0, scheme_end)) +
           "\"";
  }
  std::string_view authority = url.substr(scheme_end + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  if (authority.empty() || authority.front() == ':') return "the address has no host";
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return "the address could not be checked";
  const CURLUcode code = curl_url_set(parsed, CURLUPART_URL, std::string(url).c_str(), 0);
  curl_url_cleanup(parsed);
  if (code != CURLUE_OK) {
    return std::string("the address is not usable: ") + curl_url_strerror(code);
  }
  return {};
}

}  // namespace

const std::array<Provider, kProviderCount>& Providers() { return kProviders; }

const Provider* FindProvider(std::string_view key) {
  for (const Provider& p : kProviders) {
    if (p.key == key) return &p;
  }
  return nullptr;
}

const Provider* FindProviderByKeyOrIndex(std::string_view key_or_index) {
  if (const Provider* p = FindProvider(key_or_index)) return p;
  std::size_t index = 0;
  const char* end = key_or_index.data() + key_or_index.size();
  auto [ptr, ec] = std::from_chars(key_or_index.data(), end, index);
  if (key_or_index.empty() || ec != std::errc() || ptr != end || index >= kProviderCount) {
    return nullptr;
  }
  return &kProviders[index];
}

bool ProviderSites::Known(std::string_view name) { return DefaultAddress(name).has_value(); }

std::string ProviderSites::Address(std::string_view name) const {
  if (auto it = overrides_.find(name); it != overrides_.end()) return it->second;
  return std::string(DefaultAddress(name).value_or(""));
}

std::string ProviderSites::Override(std::string_view assignment) {
  const auto eq = assignment.find('=');
  if (eq == std::string_view::npos) {
    return "expected NAME=URL, got \"" + std::string(assignment) + "\"";
  }
  const std::string_view name = assignment.substr(0, eq);
  std::string_view url = assignment.substr(eq + 1);
  if (!Known(name)) return "unknown site name \"" + std::string(name) + "\"";
  while (!url.empty() && url.back() == '/') url.remove_suffix(1);
  if (url.empty()) return "empty address for \"" + std::string(name) + "\"";
  if (const std::string problem = AddressProblem(url); !problem.empty()) {
    return std::string(assignment) + ": " + problem;
  }
  overrides_[std::string(name)] = std::string(url);
  return {};
}

std::vector<std::pair<std::string, std::string>> ProviderSites::AddressesOf(
    const Provider& provider) const {
  std::vector<std::pair<std::string, std::string>> addresses;
  addresses.emplace_back(provider.key, Address(provider.key));
  if (!provider.second_name.empty()) {
    addresses.emplace_back(provider.second_name, Address(provider.second_name));
  }
  return addresses;
}

}  // namespace brelvik
