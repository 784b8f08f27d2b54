// The Excel 97-2003 workbook of the list export: BIFF8 records, written
// record by record, inside a compound document of our own making.
#include "outputs/excel_workbook.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "support/codepage.h"

namespace brelvik {
namespace {

void Put8(std::string& out, std::uint8_t v) { out += static_cast<char>(v); }

void Put16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

void Patch16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void Patch32(std::string& out, std::size_t at, std::uint32_t v) {
  Patch16(out, at, static_cast<std::uint16_t>(v & 0xFFFF));
  Patch16(out, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// A cell holds at most 32 767 characters (UTF-16 units).
constexpr std::size_t kMaxCellChars = 32767;
// Data bytes of one BIFF8 record; longer contents go on in CONTINUE records.
constexpr std::size_t kMaxRecordData = 8224;
// A sheet's rows: one title row and up to 65 535 channels.
constexpr std::size_t kSheetRows = 65536;
// Rows per block of ROW records, cells and DBCELL, as Excel itself writes.
constexpr std::size_t kRowBlock = 32;

// A string as BIFF8 stores it: 8-bit ("compressed") when every character is
// below U+0100, otherwise UTF-16LE.
struct XlText {
  std::u16string units;
  bool wide = false;
};

XlText ToXlText(std::string_view utf8, std::size_t max_units) {
  XlText text;
  text.units.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, i);
    const std::size_t needed = cp >= 0x10000 ? 2 : 1;
    if (text.units.size() + needed > max_units) break;
    if (cp >= 0x10000) {
      text.units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      text.units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      text.units += static_cast<char16_t>(cp);
    }
    if (cp >= 0x100) text.wide = true;
  }
  return text;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

void PutChars(std::string& out, const XlText& text, std::size_t from, std::size_t count) {
  for (std::size_t k = from; k < from + count; ++k) {
    if (text.wide) {
      Put16(out, text.units[k]);
    } else {
      Put8(out, static_cast<std::uint8_t>(text.units[k]));
    }
  }
}

// ShortXLUnicodeString: 8-bit length, flags, characters (names of fonts and sheets).
void PutShortString(std::string& out, const XlText& text) {
  Put8(out, static_cast<std::uint8_t>(text.units.size()));
  Put8(out, text.wide ? 1 : 0);
  PutChars(out, text, 0, text.units.size());
}

// The workbook stream, built in memory so that positions can be patched in
// once known (sheet offsets, INDEX and DBCELL pointers, EXTSST).
class BiffStream {
 public:
  std::string& bytes() { return bytes_; }
  std::size_t size() const { return bytes_.size(); }

  void Record(std::uint16_t type, std::string_view data) {
    Put16(bytes_, type);
    Put16(bytes_, static_cast<std::uint16_t>(data.size()));
    bytes_ += data;
  }

  void Record16(std::uint16_t type, std::uint16_t value) {
    std::string data;
    Put16(data, value);
    Record(type, data);
  }

  // Opens a record whose length EndRecord sets; one is open at a time.
  void BeginRecord(std::uint16_t type) {
    open_ = bytes_.size();
    Put16(bytes_, type);
    Put16(bytes_, 0);
  }
  void EndRecord() {
    Patch16(bytes_, open_ + 2, static_cast<std::uint16_t>(bytes_.size() - open_ - 4));
  }
  std::size_t OpenRecordStart() const { return open_; }
  std::size_t OpenRecordRoom() const { return kMaxRecordData - (bytes_.size() - open_ - 4); }

 private:
  std::string bytes_;
  std::size_t open_ = 0;
};

enum : std::uint16_t {
  kBof = 0x0809,
  kEof = 0x000A,
  kInterfaceHdr = 0x00E1,
  kMms = 0x00C1,
  kInterfaceEnd = 0x00E2,
  kWriteAccess = 0x005C,
  kCodePage = 0x0042,
  kDsf = 0x0161,
  kTabId = 0x013D,
  kWindowProtect = 0x0019,
  kProtect = 0x0012,
  kPassword = 0x0013,
  kProt4Rev = 0x01AF,
  kProt4RevPass = 0x01BC,
  kWindow1 = 0x003D,
  kBackup = 0x0040,
  kHideObj = 0x008D,
  kDateMode = 0x0022,
  kPrecision = 0x000E,
  kRefreshAll = 0x01B7,
  kBookBool = 0x00DA,
  kFont = 0x0031,
  kXf = 0x00E0,
  kStyle = 0x0293,
  kUsesElfs = 0x0160,
  kBoundSheet = 0x0085,
  kCountry = 0x008C,
  kSst = 0x00FC,
  kContinue = 0x003C,
  kExtSst = 0x00FF,
  kIndex = 0x020B,
  kCalcMode = 0x000D,
  kCalcCount = 0x000C,
  kRefMode = 0x000F,
  kIteration = 0x0011,
  kDelta = 0x0010,
  kSaveRecalc = 0x005F,
  kPrintHeaders = 0x002A,
  kPrintGridlines = 0x002B,
  kGridSet = 0x0082,
  kGuts = 0x0080,
  kDefaultRowHeight = 0x0225,
  kWsBool = 0x0081,
  kDefColWidth = 0x0055,
  kColInfo = 0x007D,
  kDimensions = 0x0200,
  kRow = 0x0208,
  kLabelSst = 0x00FD,
  kDbCell = 0x00D7,
  kWindow2 = 0x023E,
};

constexpr std::uint16_t kCellXf = 15;   // Excel's default cell format
constexpr std::uint16_t kTitleXf = 16;  // the same in bold

void PutBof(BiffStream& s, std::uint16_t substream) {
  std::string data;
  Put16(data, 0x0600);  // BIFF8
  Put16(data, substream);
  Put16(data, 0x0DBB);  // build and year of the format's reference release
  Put16(data, 0x07CC);
  Put32(data, 0);
  Put32(data, 6);  // lowest BIFF version that can read it
  s.Record(kBof, data);
}

void PutFont(BiffStream& s, bool bold) {
  std::string data;
  Put16(data, 200);           // 10 points, in twentieths
  Put16(data, bold ? 1 : 0);  // the old bold flag, kept beside the weight
  Put16(data, 0x7FFF);        // window text colour
  Put16(data, bold ? 700 : 400);
  Put16(data, 0);
  Put8(data, 0);  // no underline
  Put8(data, 0);
  Put8(data, 0);
  Put8(data, 0);
  PutShortString(data, ToXlText("Arial", 255));
  s.Record(kFont, data);
}

void PutXf(BiffStream& s, std::uint16_t font, bool style, std::uint8_t used_attributes) {
  std::string data;
  Put16(data, font);
  Put16(data, 0);                   // "General" number format
  Put16(data, style ? 0xFFF5 : 1);  // locked; a style XF has no parent (0xFFF)
  Put8(data, 0x20);                 // aligned to the bottom
  Put8(data, 0);
  Put8(data, 0);
  Put8(data, used_attributes);
  Put32(data, 0);       // no borders
  Put32(data, 0);       // no pattern
  Put16(data, 0x20C0);  // pattern colours: automatic
  s.Record(kXf, data);
}

struct SheetPart {
  std::size_t first_row;  // index into the rows
  std::size_t row_count;  // channels on this sheet
  XlText name;
  std::size_t boundsheet_offset;  // where its BOUNDSHEET keeps the sheet's position
};

std::string SheetName(std::string_view lang, std::size_t number) {
  std::string name = lang.substr(0, 2) == "ru" ? "Каналы" : "Channels";
  if (number > 1) name += " " + std::to_string(number);
  return name;
}

void PutGlobals(BiffStream& s, std::vector<SheetPart>& sheets, const std::vector<XlText>& strings,
                std::uint32_t cell_count) {
  PutBof(s, 0x0005);
  s.Record16(kInterfaceHdr, 1200);
  s.Record(kMms, std::string(2, '\0'));
  s.Record(kInterfaceEnd, {});
  {
    std::string data;
    const XlText user = ToXlText("Brelvik", 255);
    Put16(data, static_cast<std::uint16_t>(user.units.size()));
    Put8(data, 0);
    PutChars(data, user, 0, user.units.size());
    data.resize(112, ' ');
    s.Record(kWriteAccess, data);
  }
  s.Record16(kCodePage, 1200);  // strings in UTF-16
  s.Record16(kDsf, 0);
  {
    std::string data;
    for (std::size_t i = 0; i < sheets.size(); ++i) Put16(data, static_cast<std::uint16_t>(i + 1));
    s.Record(kTabId, data);
  }
  for (const std::uint16_t type : {kWindowProtect, kProtect, kPassword, kProt4Rev, kProt4RevPass}) {
    s.Record16(type, 0);
  }
  {
    std::string data;
    Put16(data, 0x01E0);
    Put16(data, 0x005A);
    Put16(data, 0x3FCF);
    Put16(data, 0x2A4E);
    Put16(data, 0x0038);  // scroll bars and sheet tabs shown
    Put16(data, 0);       // active sheet
    Put16(data, 0);       // first visible tab
    Put16(data, 1);       // selected sheets
    Put16(data, 0x0258);  // tab bar width, per mille
    s.Record(kWindow1, data);
  }
  s.Record16(kBackup, 0);
  s.Record16(kHideObj, 0);
  s.Record16(kDateMode, 0);
  s.Record16(kPrecision, 1);
  s.Record16(kRefreshAll, 0);
  s.Record16(kBookBool, 0);
  // Fonts 0 to 3 and 5: readers skip index 4, so the bold font is number 5.
  for (int i = 0; i < 4; ++i) PutFont(s, false);
  PutFont(s, true);
  // Excel's fixed layout: style XFs 0 to 14 (1-4 tied to fonts 1 and 2, their
  // attributes left to the cells), the default cell XF 15, then ours.
  PutXf(s, 0, true, 0x00);
  for (std::uint16_t i = 1; i <= 14; ++i) {
    PutXf(s, i <= 2 ? 1 : i <= 4 ? 2 : 0, true, 0xF4);
  }
  PutXf(s, 0, false, 0x00);
  PutXf(s, 5, false, 0x08);  // font differs from the style's
  {
    std::string data;
    Put16(data, 0x8000);  // built-in style on XF 0
    Put8(data, 0);        // "Normal"
    Put8(data, 0xFF);
    s.Record(kStyle, data);
  }
  s.Record16(kUsesElfs, 0);
  for (SheetPart& sheet : sheets) {
    std::string data;
    Put32(data, 0);  // the sheet's BOF position, set when it is written
    Put8(data, 0);   // visible
    Put8(data, 0);   // worksheet
    PutShortString(data, sheet.name);
    sheet.boundsheet_offset = s.size() + 4;
    s.Record(kBoundSheet, data);
  }
  {
    std::string data;
    Put16(data, 1);
    Put16(data, 1);
    s.Record(kCountry, data);
  }

  // SST: strings run on into CONTINUE records. A string's 3-byte header is
  // never split; its characters may be, and the CONTINUE then starts with
  // the option flags again. EXTSST indexes every `per_bucket`-th string.
  const std::size_t per_bucket = std::max<std::size_t>(8, strings.size() / 128 + 1);
  std::string extsst;
  Put16(extsst, static_cast<std::uint16_t>(per_bucket));
  std::string& out = s.bytes();
  s.BeginRecord(kSst);
  Put32(out, cell_count);
  Put32(out, static_cast<std::uint32_t>(strings.size()));
  for (std::size_t i = 0; i < strings.size(); ++i) {
    const XlText& text = strings[i];
    const std::size_t char_size = text.wide ? 2 : 1;
    const std::size_t length = text.units.size();
    // Room for the header and the first character, or surrogate pair.
    if (s.OpenRecordRoom() < 3 + std::min<std::size_t>(length * char_size, 2 * char_size)) {
      s.EndRecord();
      s.BeginRecord(kContinue);
    }
    if (i % per_bucket == 0) {
      Put32(extsst, static_cast<std::uint32_t>(s.size()));
      Put16(extsst, static_cast<std::uint16_t>(s.size() - s.OpenRecordStart()));
      Put16(extsst, 0);
    }
    Put16(out, static_cast<std::uint16_t>(length));
    Put8(out, text.wide ? 1 : 0);
    std::size_t done = 0;
    for (;;) {
      std::size_t n = std::min(length - done, s.OpenRecordRoom() / char_size);
      // A surrogate pair stays in one piece: readers decode each piece alone.
      if (text.wide && done + n < length && n > 1 && IsHighSurrogate(text.units[done + n - 1])) {
        --n;
      }
      PutChars(out, text, done, n);
      done += n;
      if (done == length) break;
      s.EndRecord();
      s.BeginRecord(kContinue);
      Put8(out, text.wide ? 1 : 0);
    }
  }
  s.EndRecord();
  s.Record(kExtSst, extsst);
  s.Record(kEof, {});
}

void PutSheet(BiffStream& s, const SheetPart& sheet, bool first_sheet,
              const std::vector<std::uint32_t>& cell_strings) {
  std::string& out = s.bytes();
  Patch32(out, sheet.boundsheet_offset, static_cast<std::uint32_t>(s.size()));
  PutBof(s, 0x0010);

  const std::size_t rows = sheet.row_count + 1;
  const std::size_t blocks = (rows + kRowBlock - 1) / kRowBlock;
  std::size_t index_at = 0;
  {
    std::string data;
    Put32(data, 0);
    Put32(data, 0);                                 // first row
    Put32(data, static_cast<std::uint32_t>(rows));  // last row + 1
    Put32(data, 0);                                 // DEFCOLWIDTH position, set below
    data.append(blocks * 4, '\0');                  // DBCELL positions, set below
    index_at = s.size() + 4;
    s.Record(kIndex, data);
  }
  s.Record16(kCalcMode, 1);
  s.Record16(kCalcCount, 100);
  s.Record16(kRefMode, 1);
  s.Record16(kIteration, 0);
  {
    std::string data;
    const double delta = 0.001;
    char raw[8];
    std::memcpy(raw, &delta, 8);  // IEEE 754 in the machine's (little-endian) order
    data.assign(raw, 8);
    s.Record(kDelta, data);
  }
  s.Record16(kSaveRecalc, 1);
  s.Record16(kPrintHeaders, 0);
  s.Record16(kPrintGridlines, 0);
  s.Record16(kGridSet, 1);
  s.Record(kGuts, std::string(8, '\0'));
  {
    std::string data;
    Put16(data, 0);
    Put16(data, 255);  // twips: the height of a 10-point row
    s.Record(kDefaultRowHeight, data);
  }
  s.Record16(kWsBool, 0x04C1);
  Patch32(out, index_at + 12, static_cast<std::uint32_t>(s.size()));
  s.Record16(kDefColWidth, 8);
  for (const auto& [column, width] : {std::pair<std::uint16_t, std::uint16_t>{0, 36},
                                      std::pair<std::uint16_t, std::uint16_t>{1, 12}}) {
    std::string data;
    Put16(data, column);
    Put16(data, column);
    Put16(data, static_cast<std::uint16_t>(width * 256));
    Put16(data, kCellXf);
    Put16(data, 0);
    Put16(data, 0);
    s.Record(kColInfo, data);
  }
  {
    std::string data;
    Put32(data, 0);
    Put32(data, static_cast<std::uint32_t>(rows));
    Put16(data, 0);
    Put16(data, 2);
    Put16(data, 0);
    s.Record(kDimensions, data);
  }

  // The sheet's row r shows title strings for r == 0, else channel
  // first_row + r - 1; cell_strings holds two SST indexes per channel.
  constexpr std::size_t kRowRecordSize = 4 + 16;
  std::size_t cell_at[kRowBlock];
  for (std::size_t block = 0; block < blocks; ++block) {
    const std::size_t begin = block * kRowBlock;
    const std::size_t end = std::min(rows, begin + kRowBlock);
    const std::size_t first_row_at = s.size();
    for (std::size_t r = begin; r < end; ++r) {
      std::string data;
      Put16(data, static_cast<std::uint16_t>(r));
      Put16(data, 0);
      Put16(data, 2);
      Put16(data, 255);
      Put16(data, 0);
      Put16(data, 0);
      Put32(data, 0x000F0100);  // default XF 15, reserved bit set
      s.Record(kRow, data);
    }
    for (std::size_t r = begin; r < end; ++r) {
      cell_at[r - begin] = s.size();
      for (std::uint16_t column = 0; column < 2; ++column) {
        const std::size_t string_slot = r == 0 ? column : 2 * (sheet.first_row + r) + column;
        std::string data;
        Put16(data, static_cast<std::uint16_t>(r));
        Put16(data, column);
        Put16(data, r == 0 ? kTitleXf : kCellXf);
        Put32(data, cell_strings[string_slot]);
        s.Record(kLabelSst, data);
      }
    }
    std::string data;
    const std::size_t dbcell_at = s.size();
    Put32(data, static_cast<std::uint32_t>(dbcell_at - first_row_at));
    // The first offset counts from the second ROW record, each later one
    // from the previous row's first cell.
    std::size_t from = first_row_at + kRowRecordSize;
    for (std::size_t k = 0; k < end - begin; ++k) {
      Put16(data, static_cast<std::uint16_t>(cell_at[k] - from));
      from = cell_at[k];
    }
    Patch32(out, index_at + 16 + 4 * block, static_cast<std::uint32_t>(dbcell_at));
    s.Record(kDbCell, data);
  }

  {
    std::string data;
    // Grid lines, headers, zeros, outline symbols, default grid colour; the
    // first sheet is also selected and shown.
    Put16(data, first_sheet ? 0x06B6 : 0x00B6);
    Put16(data, 0);
    Put16(data, 0);
    Put16(data, 64);
    Put16(data, 0);
    Put16(data, 0);
    Put16(data, 0);
    Put32(data, 0);
    s.Record(kWindow2, data);
  }
  s.Record(kEof, {});
}

constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kHeaderDifatSlots = 109;
// A stream shorter than this would belong in the mini stream.
constexpr std::size_t kMiniStreamCutoff = 4096;

void PutDirectoryEntry(std::string& out, std::u16string_view name, std::uint8_t type,
                       std::uint32_t child, std::uint32_t start, std::uint32_t size) {
  const std::size_t at = out.size();
  for (const char16_t c : name) Put16(out, c);
  out.resize(at + 64, '\0');
  Put16(out, static_cast<std::uint16_t>(name.empty() ? 0 : (name.size() + 1) * 2));
  Put8(out, type);
  Put8(out, type == 0 ? 0 : 1);  // black: a one-entry tree is trivially balanced
  Put32(out, kNoStream);         // left sibling
  Put32(out, kNoStream);         // right sibling
  Put32(out, child);
  out.append(16 + 4 + 8 + 8, '\0');  // class id, state bits, creation and change times
  Put32(out, start);
  Put32(out, size);
  Put32(out, 0);
}

// A version 3 compound document (512-byte sectors) holding one stream named
// "Workbook": its sectors first, then the directory, the FAT and, for large
// files, the DIFAT sectors that list FAT sectors beyond the header's 109.
std::string CompoundDocument(std::string stream) {
  if (stream.size() < kMiniStreamCutoff) stream.resize(kMiniStreamCutoff, '\0');
  const std::size_t stream_sectors = (stream.size() + kSectorSize - 1) / kSectorSize;
  const std::size_t directory_sectors = 1;
  constexpr std::size_t kPerFat = kSectorSize / 4;
  constexpr std::size_t kPerDifat = kPerFat - 1;
  std::size_t fat_sectors = 0;
  std::size_t difat_sectors = 0;
  for (;;) {
    const std::size_t total = stream_sectors + directory_sectors + fat_sectors + difat_sectors;
    const std::size_t fat = (total + kPerFat - 1) / kPerFat;
    const std::size_t difat =
        fat > kHeaderDifatSlots ? (fat - kHeaderDifatSlots + kPerDifat - 1) / kPerDifat : 0;
    if (fat == fat_sectors && difat == difat_sectors) break;
    fat_sectors = fat;
    difat_sectors = difat;
  }
  const std::size_t directory_at = stream_sectors;
  const std::size_t fat_at = directory_at + directory_sectors;
  const std::size_t difat_at = fat_at + fat_sectors;
  const std::size_t total_sectors = difat_at + difat_sectors;

  std::string out;
  out.reserve((1 + total_sectors) * kSectorSize);
  out += "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  out.append(16, '\0');  // class id
  Put16(out, 0x003E);    // minor version
  Put16(out, 0x0003);    // major version 3
  Put16(out, 0xFFFE);    // little-endian
  Put16(out, 9);         // 2^9-byte sectors
  Put16(out, 6);         // 2^6-byte mini sectors
  out.append(6, '\0');
  Put32(out, 0);  // directory sectors are not counted in version 3
  Put32(out, static_cast<std::uint32_t>(fat_sectors));
  Put32(out, static_cast<std::uint32_t>(directory_at));
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(kMiniStreamCutoff));
  Put32(out, kEndOfChain);  // no mini FAT
  Put32(out, 0);
  Put32(out, difat_sectors > 0 ? static_cast<std::uint32_t>(difat_at) : kEndOfChain);
  Put32(out, static_cast<std::uint32_t>(difat_sectors));
  for (std::size_t i = 0; i < kHeaderDifatSlots; ++i) {
    Put32(out, i < fat_sectors ? static_cast<std::uint32_t>(fat_at + i) : kFreeSector);
  }

  out += stream;
  out.resize((1 + stream_sectors) * kSectorSize, '\0');

  PutDirectoryEntry(out, u"Root Entry", 5, 1, kEndOfChain, 0);
  PutDirectoryEntry(out, u"Workbook", 2, kNoStream, 0, static_cast<std::uint32_t>(stream.size()));
  PutDirectoryEntry(out, u"", 0, kNoStream, 0, 0);
  PutDirectoryEntry(out, u"", 0, kNoStream, 0, 0);

  for (std::size_t sector = 0; sector < fat_sectors * kPerFat; ++sector) {
    std::uint32_t next = kFreeSector;
    if (sector < stream_sectors) {
      next = sector + 1 < stream_sectors ? static_cast<std::uint32_t>(sector + 1) : kEndOfChain;
    } else if (sector < fat_at) {
      next = kEndOfChain;
    } else if (sector < difat_at) {
      next = kFatSector;
    } else if (sector < total_sectors) {
      next = kDifatSector;
    }
    Put32(out, next);
  }

  for (std::size_t d = 0; d < difat_sectors; ++d) {
    for (std::size_t k = 0; k < kPerDifat; ++k) {
      const std::size_t fat_index = kHeaderDifatSlots + d * kPerDifat + k;
      Put32(out,
            fat_index < fat_sectors ? static_cast<std::uint32_t>(fat_at + fat_index) : kFreeSector);
    }
    Put32(out, d + 1 < difat_sectors ? static_cast<std::uint32_t>(difat_at + d + 1) : kEndOfChain);
  }
  return out;
}

}  // namespace

std::string ExcelWorkbook(const ChannelRows& rows, const ListColumns& columns,
                          std::string_view lang) {
  // Shared strings: each distinct text once; cell_strings[2 * (i + 1) + c]
  // is the SST index of channel i's column c, slots 0 and 1 the titles.
  std::vector<XlText> strings;
  std::vector<std::uint32_t> cell_strings;
  cell_strings.reserve(2 * (rows.size() + 1));
  std::unordered_map<std::string_view, std::uint32_t> index_of;
  index_of.reserve(2 * rows.size() + 2);
  const auto intern = [&](std::string_view text) {
    const auto [it, added] = index_of.try_emplace(text, static_cast<std::uint32_t>(strings.size()));
    if (added) strings.push_back(ToXlText(text, kMaxCellChars));
    cell_strings.push_back(it->second);
  };
  intern(columns.name_title);
  intern(columns.code_title);
  for (const ChannelRow& row : rows) {
    intern(row.name);
    intern(row.code);
  }

  std::vector<SheetPart> sheets;
  constexpr std::size_t kChannelsPerSheet = kSheetRows - 1;
  for (std::size_t first = 0; first == 0 || first < rows.size(); first += kChannelsPerSheet) {
    const std::size_t count = std::min(kChannelsPerSheet, rows.size() - first);
    sheets.push_back({first, count, ToXlText(SheetName(lang, sheets.size() + 1), 31), 0});
  }
  const std::uint32_t cell_count = static_cast<std::uint32_t>(2 * (rows.size() + sheets.size()));

  BiffStream stream;
  stream.bytes().reserve(64 * rows.size() + 4096);
  PutGlobals(stream, sheets, strings, cell_count);
  for (std::size_t i = 0; i < sheets.size(); ++i) PutSheet(stream, sheets[i], i == 0, cell_strings);
  return CompoundDocument(std::move(stream.bytes()));
}

}  // namespace brelvik
