// The twelve providers in selector order, and their site addresses, which a
// user may override at start (`--site NAME=URL`).
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brelvik {

struct Provider {
  std::string_view key;          // loader name after "Load_": "vsetv"
  std::string_view site_name;    // text of the selector item
  std::string_view list_file;    // default file name of the list save dialog
  std::string_view site;         // scheme and host of the provider's site
  std::string_view second_name;  // name of the second address, or empty
  std::string_view second_site;  // the second address (service, guide or TV site)
};

inline constexpr std::size_t kProviderCount = 12;

// Selector order: the index is the selector's item index.
const std::array<Provider, kProviderCount>& Providers();

// The provider with this key, or nullptr.
const Provider* FindProvider(std::string_view key);

// The provider of a `load` argument: a key or a selector index.
const Provider* FindProviderByKeyOrIndex(std::string_view key_or_index);

// Site addresses in force for this run: the built-in ones unless overridden.
class ProviderSites {
 public:
  // The address named `name`: a provider key gives its site address;
  // "tricolor.guide", "zakon.tv", "smartlab.service", "moyo.service" the second ones.
  std::string Address(std::string_view name) const;

  // Overrides one address from "NAME=URL". The address must be http:// or
  // https:// with a host, without spaces or control characters. Returns an
  // error text naming the problem, empty on success.
  std::string Override(std::string_view assignment);

  // The provider's address names with the addresses in force: its key and
  // site first, then its second address where it has one.
  std::vector<std::pair<std::string, std::string>> AddressesOf(const Provider& provider) const;

  // True when `name` names an address.
  static bool Known(std::string_view name);

 private:
  std::map<std::string, std::string, std::less<>> overrides_;
};

}  // namespace brelvik
