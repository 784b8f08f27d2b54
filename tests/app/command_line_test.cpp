// The GUI's command line: --site overrides, --help and --version, usage
// errors; and the program answering --help and --version without a display.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "program_run.h"
#include "support/ui_texts.h"
#include "support/version.h"

namespace brelvik {
namespace {

TEST(GuiCommandLine, OptionsAndTheirErrors) {
  using Outcome = GuiCommandLine::Outcome;
  const std::string version = "brelvik " + std::string(ProgramVersion()) + "\n";
  const struct {
    QStringList args;
    Outcome outcome;
    std::string text;  // the whole text, or for help a part of it
  } cases[] = {
      {{}, Outcome::kRun, ""},
      {{"--site", "vsetv=http://127.0.0.1:5"}, Outcome::kRun, ""},
      {{"--site=moyo.service=https://example.org/", "--site", "vsetv=http://127.0.0.1:5"},
       Outcome::kRun,
       ""},
      {{"--help"}, Outcome::kPrint, "  --site NAME=URL  use URL for the address NAME"},
      {{"-h"}, Outcome::kPrint, "Usage: brelvik [--site NAME=URL]...\n"},
      {{"--version"}, Outcome::kPrint, version},
      {{"--site", "vsetv=notaurl"},
       Outcome::kUsageError,
       "--site vsetv=notaurl: the address must begin with http:// or https://"},
      {{"--site", "nosuch=http://x"}, Outcome::kUsageError, "--site unknown site name \"nosuch\""},
      {{"--site"}, Outcome::kUsageError, "Missing value after '--site'."},
      {{"--frobnicate"}, Outcome::kUsageError, "Unknown option 'frobnicate'."},
      {{"extra"}, Outcome::kUsageError, "unexpected argument extra"},
  };
  for (const auto& c : cases) {
    AppSettings settings;
    const GuiCommandLine parsed = ParseGuiCommandLine(QStringList{"brelvik"} + c.args, settings);
    const std::string what = c.args.join(' ').toStdString();
    EXPECT_EQ(parsed.outcome, c.outcome) << what;
    if (c.outcome == Outcome::kPrint && c.args[0] != "--version") {
      EXPECT_NE(parsed.text.toStdString().find(c.text), std::string::npos)
          << parsed.text.toStdString();
    } else {
      EXPECT_EQ(parsed.text.toStdString(), c.text) << what;
    }
    if (c.outcome == Outcome::kRun && !c.args.isEmpty()) {
      EXPECT_EQ(settings.sites.Address("vsetv"), "http://127.0.0.1:5");
    }
  }
}

// One version everywhere: the build's, which the About window's dated
// release text must name too.
TEST(GuiCommandLine, TheAboutWindowNamesTheBuildsVersion) {
  for (const Language language : {Language::kRu, Language::kEn}) {
    EXPECT_NE(TextsFor(language).about_version.find(ProgramVersion()), std::string_view::npos)
        << TextsFor(language).about_version;
  }
}

// Help and version come before the window system is touched.
TEST(GuiCommandLine, TheProgramAnswersWithoutADisplay) {
  const std::vector<std::string> no_display = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  const test::ProgramRun version =
      test::RunProgram(BRELVIK_GUI_PROGRAM, {"--version"}, test::StdoutTo::kPipe, no_display);
  EXPECT_EQ(version.exit_code, 0) << version.err;
  EXPECT_EQ(version.out, "brelvik " + std::string(ProgramVersion()) + "\n");
  const test::ProgramRun help =
      test::RunProgram(BRELVIK_GUI_PROGRAM, {"--help"}, test::StdoutTo::kPipe, no_display);
  EXPECT_EQ(help.exit_code, 0) << help.err;
  EXPECT_NE(help.out.find("  --site NAME=URL  "), std::string::npos) << help.out;
  const test::ProgramRun wrong = test::RunProgram(BRELVIK_GUI_PROGRAM, {"--site", "vsetv=notaurl"},
                                                  test::StdoutTo::kPipe, no_display);
  EXPECT_EQ(wrong.exit_code, 2);
  EXPECT_EQ(wrong.err.substr(0, wrong.err.find('\n')),
            "brelvik: --site vsetv=notaurl: the address must begin with http:// or https://");
}

}  // namespace
}  // namespace brelvik
