// The tricolor loader: channel codes and names from the check boxes of the
// channel filter on the programme-guide site, and the trace file of its lines.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/codepage.h"
#include "support/file_write.h"
#include "support/text.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace brelvik {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFilterStart = "<div class=\"check-group\">";
constexpr std::string_view kFilterEnd = "<table class=\"redbutton\">";
// The opening tag of another tab right after the one before it closes, its
// quotes already gone; the tab's number and ">" follow.
constexpr std::string_view kTabJoint = "</div><div id=fav-ch-";
constexpr int kLastJointTab = 40;

std::vector<std::size_t> FindAll(std::string_view text, std::string_view needle) {
  std::vector<std::size_t> found;
  for (std::size_t pos = text.find(needle); pos != std::string_view::npos;
       pos = text.find(needle, pos + needle.size())) {
    found.push_back(pos);
  }
  return found;
}

// Removes the joints of tabs 1 to 40, one tab number after the other, each on
// the text the one before left. Scanning the whole page forty times would be
// the obvious way; instead the joints are found once and only the passes that
// match rebuild the text. A joint cannot overlap another joint, so the joints
// that survive a pass stay intact, and new ones can appear only where a
// removal brought two pieces of text together.
std::string RemoveTabJoints(std::string text) {
  std::vector<std::size_t> joints = FindAll(text, kTabJoint);
  for (int tab = 1; tab <= kLastJointTab && !joints.empty(); ++tab) {
    const std::string tail = std::to_string(tab) + ">";
    const std::size_t removed_size = kTabJoint.size() + tail.size();
    const auto matches = [&](std::size_t joint) {
      return std::string_view(text).substr(joint + kTabJoint.size(), tail.size()) == tail;
    };
    if (std::none_of(joints.begin(), joints.end(), matches)) continue;

    std::string next;
    next.reserve(text.size());
    std::vector<std::size_t> next_joints;
    std::vector<std::size_t> seams;
    std::size_t copied_from = 0;
    for (const std::size_t joint : joints) {
      if (!matches(joint)) {
        next_joints.push_back(joint - (copied_from - next.size()));
        continue;
      }
      next.append(text, copied_from, joint - copied_from);
      copied_from = joint + removed_size;
      seams.push_back(next.size());
    }
    next.append(text, copied_from);

    const std::size_t reach = kTabJoint.size() - 1;
    for (const std::size_t seam : seams) {
      const std::size_t from = seam > reach ? seam - reach : 0;
      const std::string_view around = std::string_view(next).substr(from, seam - from + reach);
      for (const std::size_t pos : FindAll(around, kTabJoint)) {
        if (from + pos < seam) next_joints.push_back(from + pos);
      }
    }
    std::sort(next_joints.begin(), next_joints.end());
    next_joints.erase(std::unique(next_joints.begin(), next_joints.end()), next_joints.end());
    text = std::move(next);
    joints = std::move(next_joints);
  }
  return text;
}

// The filter block as one line per check box: code, ">", name.
std::string CleanFilter(std::string_view page, EmptyListCause* empty) {
  std::string text(CutList(kFilterStart, page, kFilterEnd, empty));
  std::erase(text, '\n');
  std::erase(text, '\t');
  text = ReplaceAll(text, "</label>", "</label>\r");
  text = ReplaceAll(text, "<div id=\"fav-ch-4\" class=\"active\">", "");
  text = ReplaceAll(text, "<label><input type=\"checkbox\" value=", "");
  text = ReplaceAll(text, " name=\"fc\"><span", "");
  text = ReplaceAll(text, "</span></label>", "");
  std::erase(text, '"');
  text = RemoveTabJoints(std::move(text));
  return ReplaceAll(text, "</div>", "");
}

ChannelRows RowsOf(const std::vector<std::string>& lines) {
  // The first line is never read: it is what stands before the first check
  // box's line break, and a check box there is lost. A line's pair is its
  // third field at "|" (trimmed), ">", its first; the row's line is that pair
  // cut again at "|" the same way, which, as the pair holds no "|", is the
  // pair twice around ">", trimmed.
  ChannelRows rows;
  std::string pair;
  std::string row_line;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (TrimView(line).empty()) continue;
    pair.assign(TrimView(ExtractFieldView(line, 3, "|")));
    pair += '>';
    pair += ExtractFieldView(line, 1, "|");
    row_line.assign(ExtractFieldView(pair, 1, "|"));
    row_line += '>';
    row_line += ExtractFieldView(pair, 3, "|");
    rows.push_back(RowFromPair(TrimView(row_line)));
  }
  return rows;
}

// Writes the trace file. Nothing reads it and the rows do not depend on it, so
// a failure is reported after the load instead of ending it.
void WriteTrace(LoadContext& ctx, const std::vector<std::string>& lines) {
  const bool default_place = ctx.trace_file.empty();
  const fs::path path = default_place ? DefaultTricolorTraceFile() : ctx.trace_file;
  std::optional<Failure> failure;
  std::error_code error;
  if (!path.empty() && default_place) fs::create_directories(path.parent_path(), error);
  if (path.empty()) {
    failure = Failure{FailureKind::kNoCacheFolder};
  } else if (error) {
    failure =
        Failure{FailureKind::kCreateFolder, path.parent_path().string(), {}, 0, error.value()};
  } else {
    try {
      WriteFileAtomically(path, TricolorTraceBytes(lines));
    } catch (const FileWriteError& e) {
      failure = e.GetFailure();
    }
  }
  if (failure) {
    Failure warning{FailureKind::kTraceNotWritten};
    warning.cause = std::make_shared<const Failure>(std::move(*failure));
    ctx.Warn(std::move(warning));
  }
}

}  // namespace

TricolorPage ParseTricolorPage(std::string_view page) {
  TricolorPage result;
  // The page is UTF-8; a page that is not well-formed UTF-8 yields nothing.
  const std::string cleaned = CleanFilter(page, &result.empty_list);
  result.lines = SplitLines(ValidUtf8(cleaned));
  if (!IsValidUtf8(cleaned)) {
    NoteEmptyList(&result.empty_list, EmptyListCause::kMalformedUtf8);
  }
  result.rows = RowsOf(result.lines);
  // The trace keeps the lines as cut; the rows carry the characters meant.
  DecodeHtmlRows(result.rows);
  if (result.rows.empty()) NoteEmptyList(&result.empty_list, EmptyListCause::kNoChannelLine);
  return result;
}

std::string TricolorTraceBytes(const std::vector<std::string>& lines) {
  return Utf8ToCp1251(JoinLines(lines));
}

std::filesystem::path DefaultTricolorTraceFile() {
#ifdef _WIN32
  return fs::path("c:\\tricolor.txt");
#else
  fs::path cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
    cache = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* user = getpwuid(getuid());
      home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0') return {};
    cache = fs::path(home) / ".cache";
  }
  return cache / "brelvik" / "tricolor.txt";
#endif
}

Loader TricolorLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("tricolor.guide"); },
      [](LoadContext& ctx) {
        TricolorPage page =
            ParseTricolorPage(ctx.Get(ctx.Sites().Address("tricolor.guide") + "/tvprogram"));
        WriteTrace(ctx, page.lines);
        ctx.empty_list = page.empty_list;
        return std::move(page.rows);
      },
  };
}

}  // namespace brelvik
