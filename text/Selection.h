// The viewer's selection lives in the file: SelStart and SelLength are signed
// 64-bit offsets in the file's own units (UTF-16 units from the file's first byte
// for code 1, the mark counting one unit; bytes in the file's code otherwise).
// These routines turn caret and view selection into those offsets and decide the
// ranges of the select, delete and re-display paths. They touch no window; file
// bytes come through a read callback.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace selection {

// Reads up to len bytes at offset into buf; returns the count read (fewer only at
// the end of the data) or -1 on failure.
using ReadAt = std::function<int64_t(int64_t offset, void* buf, size_t len)>;

struct FileSelection {
  int64_t start = 0;
  int64_t length = 0;
  bool operator==(const FileSelection& o) const { return start == o.start && length == o.length; }
};

// 2 for UTF-16 (code 1), 1 otherwise.
inline int UnitSize(int code) { return code == 1 ? 2 : 1; }

// A backward selection (negative length) made forward: the start moves to its
// far end.
FileSelection Normalize(FileSelection s);

// Where the shown page begins in the file's units: the slider position, plus the
// mark when the page is the first (position 0; the views never show the mark),
// halved only for UTF-16. UTF-8 and the other codes stay in bytes.
int64_t PageBase(int code, int64_t sliderPos, int bomLength);

// A view position in file units: `measure` is the view's text before it measured
// in the file's code (UTF-16 units for code 1; UTF-8, EUC-JP or JIS bytes of the
// text before the caret for codes 2, 3 and 4; memo bytes for code 0);
// `lineEndCorrection` is the number of lone CR or LF line ends before it that the
// view shows as CR LF (0 when the CR/LF switch is off).
int64_t ViewToFileOffset(int code, int64_t sliderPos, int bomLength, int64_t measure,
                         int64_t lineEndCorrection = 0);

// A button release (or a key release with Shift) over the view, turned into the
// file selection. a: file offset of the view's selection start (ViewToFileOffset);
// n: length of the view's selection in file units.
//   Shift: the selection is extended from the current SelStart to the far end of
//     the view's selection: e = a, plus n when a >= SelStart; SelLength = e -
//     SelStart, made forward when negative.
//   No Shift, pane: SelStart = a, SelLength = n.
//   No Shift, memo: SelLength = n, and SelStart = a when a lies before it (the
//     press already put SelStart at the caret).
FileSelection ExtendSelection(const FileSelection& current, int64_t a, int64_t n);
FileSelection PaneSelection(int64_t a, int64_t n);
FileSelection MemoSelection(const FileSelection& current, int64_t a, int64_t n);

// Byte size of the selection for the status bar: |SelLength|, doubled for UTF-16;
// 0 when the view shows no selection.
int64_t SelectionBytes(int code, int64_t selLength, bool viewHasSelection);

// JIS file: the caret's place relative to double-byte runs, from the memo's
// Shift_JIS text. shiftState is 3 when the range that begins at the caret does
// not begin inside a run (the character at the caret is single-byte, or it is
// double-byte and the one before it is single-byte or the line's start), else 0.
// runStart (mouse release only) is set when the caret stands on the first
// character of a run.
struct JisCaret {
  int shiftState = 0;
  bool runStart = false;
};
JisCaret JisCaretState(const std::string& memoText, size_t caret, bool release);

// JIS file: the caret's offset in the file's bytes from the start of the memo's
// text, as the conversion writes that text (kana runs in SO ... SI with
// kanaByShiftOut, else ESC ( I ... ESC ( B): the JIS length of the text before
// the caret, less the end of a kana run that goes on at the caret (a run is
// closed only after its last character). Inside a double-byte run the closing
// ESC ( B stays counted: the range readers take it back by the shift state.
int64_t JisCaretMeasure(const std::string& memoText, size_t caret, bool kanaByShiftOut);

// --- Backspace and Delete ------------------------------------------------------
struct DeletePlan {
  bool act = false;    // false: nothing is deleted
  int64_t offset = 0;  // file units
  int64_t length = 0;  // file units
  // SelStart after the key (before the line-end pairing of the deletion).
  int64_t selStart = 0;
};

// With a selection (either direction) the selection is deleted. Without one,
// Backspace removes the character before SelStart and Delete the one at it;
// `charLength` is that character's length in file units (charlen::). Backspace
// does nothing at or before the end of the mark, Delete nothing at or after the
// file's end, and neither with a character length of 0.
DeletePlan PlanDelete(int code, const FileSelection& sel, int64_t fileSize, int bomLength,
                      bool backspace, int charLength);

// The page position after a deletion or insertion: the slider position, or the
// byte offset of SelStart (doubled only for UTF-16) when that lies before it.
int64_t PagePositionAfterEdit(int code, int64_t sliderPos, int64_t selStart);

// --- Select commands ------------------------------------------------------------
// Everything after the mark.
FileSelection SelectAll(int code, int64_t fileSize, int bomLength);

struct MaxSelectInput {
  int code = 0;
  bool bigEndian = false;     // UTF-16 unit order of the file
  bool loneLineEnds = false;  // the CR/LF switch: a lone CR or LF also ends a line
  int64_t fileSize = 0;
  FileSelection sel;
  int64_t editMaxBytes = 0;
};

struct MaxSelectResult {
  FileSelection sel;
  bool readFailed = false;  // the file could not be read; the length is Edit Max
};

// "Select up to Edit Max": from SelStart, at most Edit Max bytes. When less than
// that remains, to the end of the file. Otherwise to the line start that the
// backward scan (one line end skipped) finds from SelStart + Edit Max, looking no
// further back than SelStart; when there is none after SelStart, to SelStart +
// Edit Max moved back to a character boundary of the file's code.
MaxSelectResult SelectUpToEditMax(const MaxSelectInput& in, const ReadAt& read);

// Backward line-start scan from p that never looks below `bound` and changes no
// line bookkeeping: the start of the line after the (n+1)-th line end at or
// before p; -1 when there is none at or after bound, or a read fails. Line ends:
// CR LF, and with loneLineEnds a lone CR or an LF not preceded by CR. UTF-16
// (wide) works on 2-byte units at even offsets in the given order.
int64_t FindLineStartBackBounded(const ReadAt& read, bool wide, bool bigEndian, bool loneLineEnds,
                                 int64_t n, int64_t p, int64_t bound);

// "Select to the next line break": characters to select from the start of the
// caret's line (text = the view's text from that line start) so that the
// selection ends after the CR of the first CR LF; the whole text when there is
// none. The views hold native-order text, so CR LF is searched in every code.
size_t LengthToLineBreak(const std::wstring& textFromLineStart);
size_t LengthToLineBreak(const std::string& textFromLineStart);

}  // namespace selection
