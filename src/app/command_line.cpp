// The GUI's options, read with QCommandLineParser.
#include "app/command_line.h"

#include <QCommandLineParser>

#include "support/version.h"

namespace brelvik {

namespace {

// Also the text of the manual page, which the build makes from it.
constexpr const char* kUsage =
    "Usage: brelvik [--site NAME=URL]...\n"
    "\n"
    "Brelvik gathers the names and codes of TV channels from the channel listings of\n"
    "IPTV providers and shows them in a window: pick a provider, load its list, then\n"
    "copy a channel's name, code, hash or M3U line, save the list, write the\n"
    "channel_id file, or match the list to your IPTV playlist (Ctrl+M). The\n"
    "interface speaks Russian and English.\n"
    "\n"
    "  --site NAME=URL  use URL for the address NAME (a provider key, or tricolor.guide,\n"
    "                   zakon.tv, smartlab.service, moyo.service); URL is http:// or\n"
    "                   https:// with a host\n"
    "  --help           print this help and exit\n"
    "  --version        print the program's name and version and exit\n";

}  // namespace

GuiCommandLine ParseGuiCommandLine(const QStringList& arguments, AppSettings& settings) {
  // The parser reads the options; the help is the text above, laid out as the
  // manual page and brelvik-cli's help are.
  QCommandLineParser parser;
  const QCommandLineOption site("site", "", "NAME=URL");
  const QCommandLineOption help({"h", "help"}, "");
  const QCommandLineOption version("version", "");
  parser.addOption(site);
  parser.addOption(help);
  parser.addOption(version);
  if (!parser.parse(arguments)) {
    return {GuiCommandLine::Outcome::kUsageError, parser.errorText()};
  }
  const QString program = QStringLiteral("brelvik");
  if (parser.isSet(help)) return {GuiCommandLine::Outcome::kPrint, kUsage};
  if (parser.isSet(version)) {
    const std::string_view number = ProgramVersion();
    return {GuiCommandLine::Outcome::kPrint,
            program + " " + QString::fromUtf8(number.data(), number.size()) + "\n"};
  }
  if (!parser.positionalArguments().isEmpty()) {
    return {GuiCommandLine::Outcome::kUsageError,
            "unexpected argument " + parser.positionalArguments().first()};
  }
  for (const QString& value : parser.values(site)) {
    const std::string error = settings.sites.Override(value.toStdString());
    if (!error.empty()) {
      return {GuiCommandLine::Outcome::kUsageError, "--site " + QString::fromStdString(error)};
    }
  }
  return {};
}

}  // namespace brelvik
