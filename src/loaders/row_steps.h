// Steps the loaders share to turn the lines cut from a provider's page into
// channel rows, and the line cutter their one-pass bodies feed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "loaders/channel_row.h"
#include "loaders/empty_list.h"
#include "support/byte_scan.h"
#include "support/text.h"

namespace brelvik {

// TextBetweenView(start, page, end); also sets `*cause` (when given) to
// kMarkerMissing when either marker is missing, to kNone otherwise.
std::string_view CutList(std::string_view start, std::string_view page, std::string_view end,
                         EmptyListCause* cause);

// Sets `*cause` to `what` unless it is not given or already says why.
void NoteEmptyList(EmptyListCause* cause, EmptyListCause what);

// Decodes the HTML character references in the name and code of every row.
void DecodeHtmlRows(ChannelRows& rows);

// The row of a "code>name" line: its second field at ">" is the name, its
// first the code, so a name holding ">" keeps its first part and a line
// without ">" is both name and code.
ChannelRow RowFromPair(std::string_view line);

// The row of a Windows-1251 name and code, decoded to UTF-8; the character
// references in them decoded too when `html` says so.
ChannelRow Cp1251Row(std::string_view name, std::string_view code, bool html);
// Cp1251Row of RowFromPair's two fields.
ChannelRow Cp1251RowFromPair(std::string_view line, bool html);

// The first fields of one line, as ExtractFieldView would cut them at the
// line cutter's separator, and the line's first and third bytes.
struct CutLine {
  static constexpr int kMaxFields = 3;
  std::string_view fields[kMaxFields];
  int separators = 0;      // counted up to the cutter's number of fields
  std::size_t length = 0;  // counted up to 3
  char first = 0;
  char third = 0;

  // ExtractFieldView(line, k, separator) for 1 <= k <= the cutter's fields.
  std::string_view Field(int k) const { return fields[std::min(k, separators + 1) - 1]; }
  bool StartsWithDigit() const { return length > 0 && first >= '0' && first <= '9'; }
  // The line of a text split as SplitLines does, cut the same way.
  static CutLine Of(std::string_view line, char separator, int fields);
};

// Cuts a text handed over in pieces into lines as SplitLines(Trim(text))
// would (or SplitLines(text) without the trim) and gives each line's first
// `Fields` fields at `separator` to `take(const CutLine&)`. The pieces are
// views into a page that outlives the cutter, so a field within one piece is
// passed on as a view; a field spread over pieces is gathered in a buffer.
// Bytes of 32 or less after the last byte above 32 are held back until more
// text shows that they are not trailing (so the trim costs no second pass).
template <int Fields, typename Take>
class LineCutter {
  static_assert(Fields >= 1 && Fields <= CutLine::kMaxFields);

 public:
  LineCutter(char separator, bool trim, Take take)
      : separator_(separator), trim_(trim), take_(std::move(take)) {}

  // Page bytes, without CR, LF or NUL.
  void Append(std::string_view bytes) {
    if (!started_) {
      if (trim_) {
        std::size_t skip = 0;
        while (skip < bytes.size() && static_cast<unsigned char>(bytes[skip]) <= 32) ++skip;
        bytes.remove_prefix(skip);
        if (bytes.empty()) return;
      }
      started_ = true;
    }
    if (!trim_) {
      Commit(bytes, true);
      return;
    }
    std::size_t last = bytes.size();
    while (last > 0 && static_cast<unsigned char>(bytes[last - 1]) <= 32) --last;
    if (last == 0) {
      held_.append(bytes);
      return;
    }
    CommitHeld();
    Commit(bytes.substr(0, last), true);
    if (last < bytes.size()) held_.assign(bytes.substr(last));
  }

  // A separator that a replaced marker stands for.
  void Separator() {
    started_ = true;
    CommitHeld();
    cr_pending_ = false;
    AddSeparator();
  }

  // A line break: '\r' or '\n' of the page, or each byte of a CR LF that a
  // replaced marker stands for.
  void Break(char c) {
    if (!started_ && trim_) return;
    started_ = true;
    held_.push_back(c);
    break_held_ = true;
    if (!trim_) CommitHeld();
  }

  // The end of the text: the line in progress is given unless it is empty.
  void Finish() {
    held_.clear();
    break_held_ = false;
    if (line_length_ > 0) EndLine();
  }

  // True while no more bytes of the line in progress can change its fields:
  // all of them are cut and no line break is pending.
  bool FieldsDone() const { return !break_held_ && separators_ >= Fields; }
  // True while the line in progress has begun (and no break is pending).
  bool LineBegun() const { return !break_held_ && line_length_ > 0; }
  char LineFirst() const { return first_; }

 private:
  struct Field {
    std::string_view view;
    std::string buffer;
    bool buffered = false;

    void Add(std::string_view bytes, bool lasting) {
      if (bytes.empty()) return;
      if (!buffered) {
        if (lasting && view.empty()) {
          view = bytes;
          return;
        }
        if (lasting && view.data() + view.size() == bytes.data()) {
          view = std::string_view(view.data(), view.size() + bytes.size());
          return;
        }
        buffer.assign(view);
        buffered = true;
      }
      buffer.append(bytes);
    }
    std::string_view Text() const { return buffered ? std::string_view(buffer) : view; }
    void Reset() {
      view = {};
      buffer.clear();
      buffered = false;
    }
  };

  void Count(std::string_view bytes) {
    for (std::size_t i = 0; line_length_ < 3 && i < bytes.size(); ++i) {
      if (line_length_ == 0) first_ = bytes[i];
      if (line_length_ == 2) third_ = bytes[i];
      ++line_length_;
    }
  }

  void AddSeparator() {
    const char separator = separator_;
    Count(std::string_view(&separator, 1));
    if (separators_ < Fields) ++separators_;
  }

  // Bytes that stand in the trimmed text; `lasting` when they are the page's.
  void Commit(std::string_view bytes, bool lasting) {
    if (bytes.empty()) return;
    if (cr_pending_) {
      cr_pending_ = false;
      if (bytes.front() == '\n') bytes.remove_prefix(1);
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const char c = bytes[i];
      if (c != '\r' && c != '\n') continue;
      AddText(bytes.substr(start, i - start), lasting);
      EndLine();
      if (c == '\r') {
        if (i + 1 == bytes.size()) {
          cr_pending_ = true;
        } else if (bytes[i + 1] == '\n') {
          ++i;
        }
      }
      start = i + 1;
    }
    AddText(bytes.substr(start), lasting);
  }

  void AddText(std::string_view bytes, bool lasting) {
    if (bytes.empty()) return;
    cr_pending_ = false;
    if (separators_ >= Fields) {
      Count(bytes);
      return;
    }
    Count(bytes);
    while (separators_ < Fields) {
      const std::size_t at = FindByte(bytes, separator_);
      if (at == std::string_view::npos) {
        fields_[separators_].Add(bytes, lasting);
        return;
      }
      fields_[separators_].Add(bytes.substr(0, at), lasting);
      ++separators_;
      bytes.remove_prefix(at + 1);
    }
  }

  void CommitHeld() {
    if (held_.empty()) return;
    break_held_ = false;
    // Usually a line break alone.
    if (held_ == "\n" || held_ == "\r\n") {
      if (!(cr_pending_ && held_ == "\n")) EndLine();
      cr_pending_ = false;
    } else {
      Commit(held_, false);
    }
    held_.clear();
  }

  void EndLine() {
    CutLine line;
    for (int k = 0; k < Fields; ++k) line.fields[k] = fields_[k].Text();
    line.separators = separators_;
    line.length = line_length_;
    line.first = first_;
    line.third = third_;
    take_(line);
    for (Field& field : fields_) field.Reset();
    separators_ = 0;
    line_length_ = 0;
    first_ = third_ = 0;
  }

  const char separator_;
  const bool trim_;
  Take take_;
  bool started_ = false;
  bool cr_pending_ = false;
  bool break_held_ = false;
  std::string held_;  // bytes of 32 or less after the last one above 32
  Field fields_[Fields];
  int separators_ = 0;
  std::size_t line_length_ = 0;
  char first_ = 0;
  char third_ = 0;
};

// How a one-pass cut that looks for the list's end marker as it goes ended:
// at the marker, at the page's end without it, or given up for the steps.
enum class CutEnd { kAtMarker, kNoMarker, kGaveUp };

// Sets `*cause` (when given) as CutList does for a cut that ended so.
inline void NoteCutEnd(EmptyListCause* cause, CutEnd end) {
  if (cause != nullptr) {
    *cause = end == CutEnd::kNoMarker ? EmptyListCause::kMarkerMissing : EmptyListCause::kNone;
  }
}

// Cuts the list between the first `start` marker of `page` and the first
// `end` marker after it in one pass: `one_pass(text)` walks the page from the
// list's first byte (the start marker's own first byte when `with_start`),
// looking for `end` as it goes, and says how it ended. When it gave up,
// `steps(cut)` reads the cut as the step-by-step chain does; when it did not
// reach the end marker, `reset()` first drops what it gave. `*cause` (when
// given) is set as CutList sets it.
template <typename OnePass, typename Steps, typename Reset>
void CutListInOnePass(std::string_view page, std::string_view start, std::string_view end,
                      bool with_start, EmptyListCause* cause, OnePass one_pass, Steps steps,
                      Reset reset) {
  const std::size_t at = FindMarker(page, start);
  CutEnd how = CutEnd::kNoMarker;
  if (at != std::string_view::npos)
    how = one_pass(page.substr(with_start ? at : at + start.size()));
  if (how != CutEnd::kAtMarker) reset();
  if (how == CutEnd::kGaveUp) {
    steps(CutList(start, page, end, cause));
  } else {
    NoteCutEnd(cause, how);
  }
}

// What becomes of a link whose text is empty.
enum class NamelessLinks { kKept, kDropped };

// The sorted, distinct rows of a UTF-8 link page. Each link is held as the
// line "value>text" in a sorted line list, which passes over lines equal but
// for case. Each held line, in the list's order, then gives RowFromPair's
// row, its character references decoded. If any held line is not well-formed
// UTF-8 there are no rows at all, and `*cause` (when given) is noted
// kMalformedUtf8; when no line gives a row it is noted kNoChannelLine.
class SortedLinks {
 public:
  void Add(std::string_view value, std::string_view text) { pairs_.AddJoined(value, '>', text); }
  ChannelRows Rows(NamelessLinks nameless, EmptyListCause* cause) const;
  void Clear() { pairs_.Clear(); }

 private:
  SortedLineBatch pairs_;
};

// The sorted, distinct rows of the lines of `text` (split as SplitLines does)
// that `is_link` accepts, each read as "value|text" (first and second field at
// "|"), as SortedLinks gives them.
ChannelRows SortedLinkRows(std::string_view text, bool (*is_link)(std::string_view line),
                           NamelessLinks nameless, EmptyListCause* cause = nullptr);

}  // namespace brelvik
