// Pure pieces of the page display: counting a page's lines to find where it
// is cut, the line ends that a view turns into line breaks, NUL handling,
// and the page measures (lines per page, characters per page).
//
// Narrow texts are Shift_JIS bytes. Wide texts are UTF-16 bytes in the given
// byte order (0 big endian, 1 little endian); lengths of wide texts are in
// bytes unless named units.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pagetext {

// Where a page is cut: `end` is the cut offset in bytes (the text shown is
// [0, end) less a final CR, see DropFinalCr*), lineEnds the line ends counted
// up to there.
struct PageCut {
  size_t end = 0;
  int64_t lineEnds = 0;
};

// Narrow page: CR LF, a lone CR and a lone LF each count one line end. When
// the count reaches linesPerPage the cut lies on the last byte of that line
// end. A line end followed by exactly one more byte takes that byte in and
// ends the walk. Otherwise the cut is the whole text. linesPerPage below 1
// counts as 1.
PageCut CutPageNarrow(const uint8_t* text, size_t len, int linesPerPage);

// Wide page: a byte-order mark as first unit is stepped over; the unit pair
// CR LF counts, and with loneLineEnds a lone CR or a lone LF too (each a line
// break in the view: the CR/LF switch shows them as CR LF, and the edit
// control breaks at a lone LF anyway); when the count reaches linesPerPage
// the cut lies on the CR (or the lone unit). Otherwise the cut is every whole
// unit (an odd last byte is left out).
PageCut CutPageWide(const uint8_t* text, size_t lenBytes, int linesPerPage, int byteOrder,
                    bool loneLineEnds = false);

// The cut less a CR just before it (the line end the count stopped at, or a
// page that ends between CR and LF).
size_t DropFinalCrNarrow(const uint8_t* text, size_t end);
size_t DropFinalCrWide(const uint8_t* text, size_t end, int byteOrder);

// Whether the page ended before it held the lines per page (the text read
// ran out first: the file's end, or lines longer than the page): the count
// stopped short of the lines per page.
inline bool IsShortPage(int linesPerPage, int64_t lineEnds) { return lineEnds < (linesPerPage < 1 ? 1 : linesPerPage); }

// Lines per page of a view: (view height - horizontal scroll bar height) /
// line pitch - 1 (- 2 when the CSV list shows its column row), and at least 1,
// also for a pitch of 0 or below or a view too small to show a line. The
// pitch is the distance of two lines in the view (the font's cell height plus
// its external leading), which may exceed the font's character height.
int LinesPerPage(int viewHeight, int hScrollHeight, int linePitch, bool csvColumnRow);

// Characters that fill a wrapped view: (width / char width) per line times
// (height / char height) lines, each held at 1 or more; *charsPerLine gets the
// first factor.
int64_t CharsPerPage(int viewWidth, int viewHeight, int charWidth, int charHeight, int* charsPerLine = nullptr);
// The same as a byte count of UTF-16 text.
inline int64_t CharsPerPageWideBytes(int64_t charsPerPage) { return charsPerPage * 2; }
// A narrow cut at `chars` bytes that does not split a double-byte character
// (one less when it would fall between a lead and its trail byte, found by
// walking the text from its start), and at most len.
size_t NarrowCutAt(const uint8_t* text, size_t len, int64_t chars);

// Number of CR and LF that are not part of a CR LF pair (narrow: bytes; wide:
// units in the given byte order).
int64_t CountLineEndsNarrow(const uint8_t* text, size_t len);
int64_t CountLineEndsWide(const uint8_t* text, size_t lenBytes, int byteOrder);

// ---- NUL units

bool HasNulByte(const uint8_t* buf, size_t len);
bool HasNulWord(const uint8_t* buf, size_t units);
// Every byte equal to key becomes newValue; returns how many.
size_t ReplaceNulBytes(uint8_t* buf, size_t len, uint8_t newValue, uint8_t key);
// Every 16-bit unit (two bytes as stored, read little endian) equal to key
// becomes newValue; returns how many.
size_t ReplaceNulWords(uint8_t* buf, size_t units, uint16_t newValue, uint16_t key);

// Page display: every 0 unit (unit 1: bytes, unit 2: 16-bit units) becomes
// "@" in the text's byte order. Returns how many.
size_t ShowNulsAsAt(uint8_t* buf, size_t lenBytes, int unit, int byteOrder);

// The NUL-safe form of text that goes to editing, copying, searching and
// conversion: every 0 unit becomes the placeholder 0x01 (unit 2: the bytes
// 01 00 in file order). The caller keeps the count with the text; a text that
// held a genuine placeholder value as well cannot be turned back faithfully.
struct NulSafeResult {
  size_t nulCount = 0;
  bool hadPlaceholder = false;  // a 0x01 byte (unit 2: bytes 01 00) was there before
};
NulSafeResult MakeNulSafe(uint8_t* buf, size_t lenBytes, int unit);
// The way back: every placeholder becomes 0 again. Returns how many.
size_t RestoreNuls(uint8_t* buf, size_t lenBytes, int unit);

}  // namespace pagetext
