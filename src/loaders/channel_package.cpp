// The smartlab and moyo loaders: the channels of one channel package, read by
// position from the XML answer of the provider's channel-package service.
#include <expat.h>

#include <pugixml.hpp>
#include <stdexcept>
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/codepage.h"
#include "support/failure.h"
#include "support/text.h"

namespace brelvik {

namespace {

constexpr std::string_view kServicePath = "/CacheClient/ncdxml/ChannelPackage/list_channels?";

// The service's answer may be read only as a tree: a DOCTYPE (and with it any
// entity definition) is refused, and comments, processing instructions and
// the declaration are kept as nodes because they take up positions. pugixml
// reads the tree; it does not check everything XML requires, so expat checks
// the answer first.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration |
                                   pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype;

[[noreturn]] void Unexpected(const std::string& what) {
  throw std::runtime_error("unexpected XML: " + what);
}

// Child `index` of `parent`, counting every node kept by the parse.
pugi::xml_node ChildAt(pugi::xml_node parent, int index) {
  pugi::xml_node child = parent.first_child();
  for (int i = 0; i < index && child; ++i) child = child.next_sibling();
  return child;
}

std::string Where(int child, int entry) {
  return "child " + std::to_string(child) + " of channel entry " + std::to_string(entry);
}

// An element's text: its one and only child, a text or CDATA node. `child` and
// `entry` only name the element in the message of a failure.
std::string_view TextOf(pugi::xml_node element, int child, int entry) {
  if (element.type() != pugi::node_element) Unexpected(Where(child, entry) + " is not an element");
  const pugi::xml_node text = element.first_child();
  if (!text) Unexpected(Where(child, entry) + " is empty");
  if (text.next_sibling() ||
      (text.type() != pugi::node_pcdata && text.type() != pugi::node_cdata)) {
    Unexpected(Where(child, entry) + " does not hold a single text");
  }
  const std::string_view value = text.value();
  if (!IsValidUtf8(value)) Unexpected(Where(child, entry) + " is not well-formed UTF-8");
  return value;
}

// pugixml reads 8-bit documents as UTF-8 (or Latin-1 when declared so); a
// declared Windows-1251 answer is turned into UTF-8 before it is parsed.
bool DeclaresWindows1251(std::string_view answer) {
  if (!answer.starts_with("<?xml")) return false;
  const std::size_t end = answer.find("?>");
  if (end == std::string_view::npos) return false;
  const std::string declaration = AsciiLower(answer.substr(0, end));
  return declaration.find("\"windows-1251\"") != std::string::npos ||
         declaration.find("'windows-1251'") != std::string::npos ||
         declaration.find("\"cp1251\"") != std::string::npos ||
         declaration.find("'cp1251'") != std::string::npos;
}

[[noreturn]] void Malformed(std::string description, std::uint64_t offset) {
  throw FailureError(Failure{FailureKind::kMalformedXml, {}, std::move(description), offset});
}

// Raises unless the answer is well-formed XML 1.0: an undeclared entity, a
// bare "&" in a text or a "<" in an attribute value fail here with the byte
// offset. A DOCTYPE stops expat at its start, before anything in it is
// declared, fetched or expanded. `as_utf8` overrides the declared encoding
// for an answer converted from Windows-1251.
void CheckWellFormed(std::string_view answer, bool as_utf8) {
  struct Check {
    XML_Parser parser = nullptr;
    bool doctype = false;
  } check;
  check.parser = XML_ParserCreate(as_utf8 ? "UTF-8" : nullptr);
  if (check.parser == nullptr) throw std::bad_alloc();
  struct Free {
    XML_Parser parser;
    ~Free() { XML_ParserFree(parser); }
  } release{check.parser};
  XML_SetUserData(check.parser, &check);
  XML_SetStartDoctypeDeclHandler(
      check.parser, [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        auto& seen = *static_cast<Check*>(data);
        seen.doctype = true;
        XML_StopParser(seen.parser, XML_FALSE);
      });
  const XML_Status status =
      XML_Parse(check.parser, answer.data(), static_cast<int>(answer.size()), XML_TRUE);
  if (check.doctype) Unexpected("a document type declaration is refused");
  if (status != XML_STATUS_OK) {
    Malformed(XML_ErrorString(XML_GetErrorCode(check.parser)),
              static_cast<std::uint64_t>(XML_GetCurrentByteIndex(check.parser)));
  }
}

Loader ChannelPackageLoader(std::string site, std::string service, std::string query) {
  return {
      [site](const ProviderSites& sites) { return sites.Address(site); },
      [service, query](LoadContext& ctx) {
        const std::string url = ctx.Sites().Address(service) + std::string(kServicePath) + query;
        return ParseChannelPackage(ctx.Get(url), &ctx.empty_list);
      },
  };
}

}  // namespace

ChannelRows ParseChannelPackage(std::string_view answer, EmptyListCause* empty) {
  if (empty != nullptr) *empty = EmptyListCause::kNone;
  std::string converted;
  const bool windows_1251 = DeclaresWindows1251(answer);
  if (windows_1251) {
    converted = Cp1251ToUtf8(answer);
    answer = converted;
  }
  try {
    CheckWellFormed(answer, windows_1251);
  } catch (const FailureError& e) {
    // Offsets count the bytes as served: one per character of a converted answer.
    Failure failure = e.GetFailure();
    if (!windows_1251 || failure.kind != FailureKind::kMalformedXml) throw;
    failure.amount = Utf8Length(answer.substr(0, failure.amount));
    throw FailureError(std::move(failure));
  }
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(answer.data(), answer.size(), kParseOptions,
                           windows_1251 ? pugi::encoding_utf8 : pugi::encoding_auto);
  if (!parsed) Malformed(parsed.description(), static_cast<std::uint64_t>(parsed.offset));
  // expat has refused a DOCTYPE and a second top-level element already.
  const pugi::xml_node root = ChildAt(document, 1);
  if (!root) Unexpected("no node 1 at the document's top level");
  const pugi::xml_node container = root.first_child();
  if (!container) Unexpected("node 1 at the document's top level has no child 0");

  // Nothing is returned unless every entry could be read.
  ChannelRows rows;
  int index = 0;
  for (pugi::xml_node entry = container.first_child(); entry;
       entry = entry.next_sibling(), ++index) {
    const pugi::xml_node name_node = ChildAt(entry, 2);
    if (!name_node) {
      Unexpected("channel entry " + std::to_string(index) + " has fewer than three children");
    }
    const std::string_view name = TextOf(name_node, 2, index);
    rows.push_back(ChannelPackageRow(name, TextOf(entry.first_child(), 0, index)));
  }
  // The texts are XML's, already decoded by the parser.
  if (rows.empty()) NoteEmptyList(empty, EmptyListCause::kNoEntries);
  return rows;
}

ChannelRow ChannelPackageRow(std::string_view name, std::string_view code) {
  // The fields of "name>code" at ">", without making that line.
  const std::size_t cut = name.find('>');
  if (cut == std::string_view::npos) {
    return {std::string(name), std::string(code.substr(0, code.find('>')))};
  }
  const std::size_t next = name.find('>', cut + 1);
  return {std::string(name.substr(0, cut)),
          std::string(name.substr(
              cut + 1, (next == std::string_view::npos ? name.size() : next) - cut - 1))};
}

Loader SmartlabLoader() {
  return ChannelPackageLoader("smartlab", "smartlab.service",
                              "to=99999&channelPackageId=1529084&locationId=100901&from=0");
}

Loader MoyoLoader() {
  return ChannelPackageLoader("moyo", "moyo.service",
                              "from=0&to=99999&channelPackageId=40361377&locationId=1000050");
}

}  // namespace brelvik
