// Caret and view selection to 64-bit file offsets, the delete ranges, and the
// select commands, over in-memory and sparse files.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "text/Selection.h"

using namespace selection;

namespace {

constexpr int64_t GiB = int64_t{1} << 30;

// A file of `size` bytes of `fill`, with the given bytes placed at offsets.
struct SparseFile {
  int64_t size = 0;
  char fill = 'x';
  std::map<int64_t, char> bytes;
  int reads = 0;
  bool fail = false;
  void Put(int64_t at, const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) bytes[at + static_cast<int64_t>(i)] = s[i];
  }
  ReadAt Reader() {
    return [this](int64_t off, void* buf, size_t len) -> int64_t {
      ++reads;
      if (fail) return -1;
      if (off >= size) return 0;
      const int64_t n = std::min<int64_t>(static_cast<int64_t>(len), size - off);
      char* out = static_cast<char*>(buf);
      std::memset(out, fill, static_cast<size_t>(n));
      for (auto it = bytes.lower_bound(off); it != bytes.end() && it->first < off + n; ++it)
        out[it->first - off] = it->second;
      return n;
    };
  }
};

SparseFile FromBytes(const std::string& s) {
  SparseFile f;
  f.size = static_cast<int64_t>(s.size());
  f.Put(0, s);
  return f;
}

struct BaseCase {
  int code;
  int64_t pos;
  int bom;
  int64_t base;
};

TEST(Selection, PageBaseAddsMarkOnFirstPageAndHalvesOnlyUtf16) {
  const BaseCase cases[] = {
      {0, 0, 0, 0},
      {0, 4096, 0, 4096},
      {1, 0, 2, 1},  // the mark is one unit
      {1, 0, 0, 0},
      {1, 4096, 2, 2048},
      {2, 0, 3, 3},  // UTF-8 stays in bytes
      {2, 4097, 3, 4097},
      {3, 77, 0, 77},
      {1, 5 * GiB + 6, 2, (5 * GiB + 6) / 2},
      {2, 5 * GiB + 7, 3, 5 * GiB + 7},
  };
  for (const BaseCase& c : cases)
    EXPECT_EQ(PageBase(c.code, c.pos, c.bom), c.base) << "code " << c.code << " pos " << c.pos;
}

TEST(Selection, ViewToFileOffsetAbove4GiB) {
  // UTF-16 page at byte 5 GiB + 2: caret at unit 100.
  EXPECT_EQ(ViewToFileOffset(1, 5 * GiB + 2, 2, 100), (5 * GiB + 2) / 2 + 100);
  // UTF-8 page: the caret's text measured as 301 bytes.
  EXPECT_EQ(ViewToFileOffset(2, 4 * GiB + 1, 3, 301), 4 * GiB + 302);
  // Memo with two lone line ends shown as CR LF before the caret.
  EXPECT_EQ(ViewToFileOffset(0, 6 * GiB, 0, 50, 2), 6 * GiB + 48);
  // First page of a UTF-16 file with mark: caret 0 is the first character, unit 1.
  EXPECT_EQ(ViewToFileOffset(1, 0, 2, 0), 1);
}

struct ExtendCase {
  int64_t anchor, anchorLen;
  int64_t a, n;
  FileSelection expect;
};

TEST(Selection, ShiftExtensionKeepsTheAnchorAndNormalises) {
  const int64_t B = 4 * GiB;  // a selection crossing the 32-bit line
  const ExtendCase cases[] = {
      // Shift+Down from line 2 column 5 to line 3 column 5: the view selects from
      // the anchor on; the file selection starts at the anchor, not a line start.
      {B - 5, 0, B - 5, 40, {B - 5, 40}},
      // Extended further on the next page: a is the page's first character.
      {B - 5, 40, B + 100, 60, {B - 5, 165}},
      // Shift+Up above the anchor: the selection runs backwards, made forward.
      {B + 10, 0, B - 7, 17, {B - 7, 17}},
      {B + 10, 5, B + 10, 0, {B + 10, 0}},
      {5 * GiB + 3, 0, 5 * GiB + 3 - 4 * GiB, 4, {GiB + 3, 4 * GiB}},
  };
  for (const ExtendCase& c : cases) {
    EXPECT_EQ(ExtendSelection({c.anchor, c.anchorLen}, c.a, c.n), c.expect)
        << "anchor " << c.anchor << " a " << c.a << " n " << c.n;
  }
}

TEST(Selection, ReleaseWithoutShift) {
  EXPECT_EQ(PaneSelection(5 * GiB, 9), (FileSelection{5 * GiB, 9}));
  // The memo keeps the press's SelStart unless the drag went before it.
  EXPECT_EQ(MemoSelection({5 * GiB, 0}, 5 * GiB + 4, 9), (FileSelection{5 * GiB, 9}));
  EXPECT_EQ(MemoSelection({5 * GiB, 0}, 5 * GiB - 4, 9), (FileSelection{5 * GiB - 4, 9}));
}

TEST(Selection, SelectionBytesIsAbsoluteAndDoubledForUtf16) {
  EXPECT_EQ(SelectionBytes(0, -7, true), 7);
  EXPECT_EQ(SelectionBytes(1, -7, true), 14);
  EXPECT_EQ(SelectionBytes(2, 7, true), 7);
  EXPECT_EQ(SelectionBytes(1, 3 * GiB, true), 6 * GiB);
  EXPECT_EQ(SelectionBytes(0, 7, false), 0);
}

struct DeleteCase {
  const char* what;
  int code;
  FileSelection sel;
  int64_t size;
  int bom;
  bool backspace;
  int charLen;
  DeletePlan expect;
};

TEST(Selection, PlanDeleteGuardsTheStartTheMarkAndTheEnd) {
  const DeleteCase cases[] = {
      {"backspace at 0", 0, {0, 0}, 10, 0, true, 1, {false, 0, 0, 0}},
      {"backspace after mark", 1, {1, 0}, 10, 2, true, 1, {false, 0, 0, 0}},
      {"backspace at UTF-8 mark end", 2, {3, 0}, 10, 3, true, 1, {false, 0, 0, 0}},
      {"backspace after kanji", 0, {12, 0}, 20, 0, true, 2, {true, 10, 2, 10}},
      {"backspace after pair", 1, {5, 0}, 20, 2, true, 2, {true, 3, 2, 3}},
      {"backspace never into mark", 1, {2, 0}, 20, 2, true, 2, {true, 1, 1, 1}},
      {"delete at end", 0, {10, 0}, 10, 0, false, 1, {false, 0, 0, 0}},
      {"delete at UTF-16 end", 1, {5, 0}, 10, 0, false, 1, {false, 0, 0, 0}},
      {"delete kanji", 3, {4, 0}, 10, 0, false, 2, {true, 4, 2, 4}},
      {"delete cut at end", 0, {9, 0}, 10, 0, false, 2, {true, 9, 1, 9}},
      {"delete in mark", 2, {1, 0}, 10, 3, false, 1, {false, 0, 0, 0}},
      {"no character", 0, {4, 0}, 10, 0, false, 0, {false, 0, 0, 0}},
      {"backward selection", 0, {20, -5}, 30, 0, true, 1, {true, 15, 5, 15}},
      {"selection over mark", 2, {0, 10}, 20, 3, false, 1, {true, 3, 7, 3}},
      {"selection past end", 0, {8, 10}, 12, 0, true, 1, {true, 8, 4, 8}},
      {"above 4 GiB", 0, {5 * GiB, 0}, 6 * GiB, 0, true, 3, {true, 5 * GiB - 3, 3, 5 * GiB - 3}},
      {"UTF-16 end above 4 GiB", 1, {3 * GiB, 0}, 6 * GiB, 2, false, 1, {false, 0, 0, 0}},
  };
  for (const DeleteCase& c : cases) {
    const DeletePlan p = PlanDelete(c.code, c.sel, c.size, c.bom, c.backspace, c.charLen);
    EXPECT_EQ(p.act, c.expect.act) << c.what;
    if (!p.act || !c.expect.act) continue;
    EXPECT_EQ(p.offset, c.expect.offset) << c.what;
    EXPECT_EQ(p.length, c.expect.length) << c.what;
    EXPECT_EQ(p.selStart, c.expect.selStart) << c.what;
  }
}

TEST(Selection, PageAfterEditDoublesOnlyUtf16) {
  EXPECT_EQ(PagePositionAfterEdit(1, 500, 100), 200);
  EXPECT_EQ(PagePositionAfterEdit(2, 500, 100), 100);
  EXPECT_EQ(PagePositionAfterEdit(0, 50, 100), 50);
  EXPECT_EQ(PagePositionAfterEdit(1, 6 * GiB, 2 * GiB + 1), 4 * GiB + 2);
}

TEST(Selection, JisCaretStateFromMemoText) {
  // a, two kanji, b
  const std::string t("a\x88\x9f\x88\xa0" "b");
  EXPECT_EQ(JisCaretState(t, 0, true).shiftState, 3);   // at 'a'
  EXPECT_FALSE(JisCaretState(t, 0, true).runStart);
  EXPECT_EQ(JisCaretState(t, 1, false).shiftState, 3);  // first kanji of the run
  EXPECT_FALSE(JisCaretState(t, 1, false).runStart);    // only a release sets it
  EXPECT_TRUE(JisCaretState(t, 1, true).runStart);
  EXPECT_EQ(JisCaretState(t, 3, true).shiftState, 0);   // inside the run
  EXPECT_FALSE(JisCaretState(t, 3, true).runStart);
  EXPECT_EQ(JisCaretState(t, 5, true).shiftState, 3);   // 'b' after the run
  EXPECT_EQ(JisCaretState(t, 6, true).shiftState, 3);   // end of the text
  EXPECT_TRUE(JisCaretState("\x88\x9f", 0, true).runStart);
}

TEST(Selection, SelectAllStartsAfterTheMark) {
  EXPECT_EQ(SelectAll(1, 102, 2), (FileSelection{1, 50}));
  EXPECT_EQ(SelectAll(2, 103, 3), (FileSelection{3, 100}));
  EXPECT_EQ(SelectAll(0, 6 * GiB, 0), (FileSelection{0, 6 * GiB}));
}

TEST(MaxSelect, LessThanEditMaxLeftRunsToTheVeryEnd) {
  // UTF-16 with mark: 2 + 20 bytes; from unit 6 (byte 12) the rest is 10 bytes.
  SparseFile f = FromBytes(std::string(22, 'a'));
  MaxSelectInput in;
  in.code = 1;
  in.fileSize = 22;
  in.sel = {6, 0};
  in.editMaxBytes = 1 << 20;
  MaxSelectResult r = SelectUpToEditMax(in, f.Reader());
  EXPECT_EQ(r.sel, (FileSelection{6, 5}));  // ends at byte 22, the file's end
  // UTF-8 with its 3-byte mark.
  in.code = 2;
  in.fileSize = 100;
  in.sel = {50, 0};
  r = SelectUpToEditMax(in, f.Reader());
  EXPECT_EQ(r.sel, (FileSelection{50, 50}));
  EXPECT_EQ(f.reads, 0);
  // A backward selection is made forward first.
  in.sel = {60, -10};
  EXPECT_EQ(SelectUpToEditMax(in, f.Reader()).sel, (FileSelection{50, 50}));
}

TEST(MaxSelect, EndsAtTheLineStartTheScanFinds) {
  SparseFile f = FromBytes("aaaa\r\nbbbb\r\ncccc\r\ndddd\r\n");
  MaxSelectInput in;
  in.fileSize = f.size;
  in.sel = {0, 0};
  in.editMaxBytes = 15;  // inside "cccc"
  // One line end is passed over: the end of "bbbb" counts, the selection ends
  // after "aaaa\r\n".
  EXPECT_EQ(SelectUpToEditMax(in, f.Reader()).sel, (FileSelection{0, 6}));
  in.editMaxBytes = 19;  // inside "dddd"
  EXPECT_EQ(SelectUpToEditMax(in, f.Reader()).sel, (FileSelection{0, 12}));
}

TEST(MaxSelect, NoLineStartAfterStartEndsAtLimitOnCharacterBoundary) {
  // A line end before SelStart must not be reached: the selection stays forward.
  SparseFile f = FromBytes(std::string("ab\r\nxxxx\x88\x9fyyyy", 14));
  MaxSelectInput in;
  in.fileSize = f.size;
  in.sel = {4, 0};
  in.editMaxBytes = 5;  // byte 9 is the trail of the kanji at 8
  EXPECT_EQ(SelectUpToEditMax(in, f.Reader()).sel, (FileSelection{4, 4}));
  in.editMaxBytes = 6;
  EXPECT_EQ(SelectUpToEditMax(in, f.Reader()).sel, (FileSelection{4, 6}));
}

struct LimitCase {
  int code;
  bool bigEndian;
  std::string bytes;
  int64_t selStart;  // units
  int64_t editMax;
  int64_t expectLength;  // units
};

TEST(MaxSelect, LimitBoundaryPerCode) {
  const LimitCase cases[] = {
      // UTF-16 LE with mark: a b <pair> c; the limit after the high surrogate.
      {1, false, std::string("\xff\xfe" "a\0b\0\x3d\xd8\x00\xde" "c\0", 12), 1, 6, 2},
      {1, true, std::string("\xfe\xff" "\0a\0b\xd8\x3d\xde\x00" "\0c", 12), 1, 6, 2},
      {1, false, std::string("\xff\xfe" "a\0b\0\x3d\xd8\x00\xde" "c\0", 12), 1, 8, 4},
      {2, false, std::string("xx\xe3\x81\x82yy", 7), 0, 4, 2},
      {3, false, std::string("x\x8f\xb0\xa1yy", 6), 0, 3, 1},
      {3, false, std::string("x\x8f\xb0\xa1yy", 6), 0, 4, 4},
      {4, false, std::string("\x1b$B0!0\"\x1b(Byy", 12), 0, 6, 5},
      {4, false, std::string("\x1b$B0!0\"\x1b(Byy", 12), 0, 2, 0},
  };
  for (const LimitCase& c : cases) {
    SparseFile f = FromBytes(c.bytes);
    MaxSelectInput in;
    in.code = c.code;
    in.bigEndian = c.bigEndian;
    in.fileSize = f.size;
    in.sel = {c.selStart, 0};
    in.editMaxBytes = c.editMax;
    EXPECT_EQ(SelectUpToEditMax(in, f.Reader()).sel.length, c.expectLength)
        << "code " << c.code << " edit max " << c.editMax;
  }
}

TEST(MaxSelect, Above4GiBAndWithReadFailure) {
  SparseFile f;
  f.size = 6 * GiB;
  f.Put(5 * GiB + 1000, "\r\n");
  f.Put(5 * GiB + 2000, "\r\n");
  MaxSelectInput in;
  in.fileSize = f.size;
  in.sel = {5 * GiB, 0};
  in.editMaxBytes = 1 << 20;
  EXPECT_EQ(SelectUpToEditMax(in, f.Reader()).sel, (FileSelection{5 * GiB, 1002}));
  // Without line ends the scan stops at SelStart, a bounded number of reads.
  f.bytes.clear();
  f.reads = 0;
  MaxSelectResult r = SelectUpToEditMax(in, f.Reader());
  EXPECT_EQ(r.sel, (FileSelection{5 * GiB, 1 << 20}));
  EXPECT_LE(f.reads, 40);
  // UTF-16 above 4 GiB: units.
  in.code = 1;
  in.sel = {(5 * GiB) / 2, 0};
  r = SelectUpToEditMax(in, f.Reader());
  EXPECT_EQ(r.sel, (FileSelection{(5 * GiB) / 2, (1 << 20) / 2}));
  f.fail = true;
  r = SelectUpToEditMax(in, f.Reader());
  EXPECT_TRUE(r.readFailed);
  EXPECT_EQ(r.sel.length, (1 << 20) / 2);
}

TEST(LineScanBounded, StopsAtBoundAndKnowsLoneEnds) {
  SparseFile f = FromBytes("a\r\nb\nc\rd\r\ne");
  const ReadAt rd = f.Reader();
  // CR LF only: from 'e' (10) the first end is at 8 -> 10 (n = 0).
  EXPECT_EQ(FindLineStartBackBounded(rd, false, false, false, 0, 10, 0), 10);
  EXPECT_EQ(FindLineStartBackBounded(rd, false, false, false, 1, 10, 0), 3);
  EXPECT_EQ(FindLineStartBackBounded(rd, false, false, false, 1, 10, 4), -1);
  // With lone ends: LF at 4, CR at 6 count too.
  EXPECT_EQ(FindLineStartBackBounded(rd, false, false, true, 1, 10, 0), 7);
  EXPECT_EQ(FindLineStartBackBounded(rd, false, false, true, 2, 10, 0), 5);
  // UTF-16 big endian: a CR LF b.
  SparseFile w = FromBytes(std::string("\0a\0\r\0\n\0b", 8));
  EXPECT_EQ(FindLineStartBackBounded(w.Reader(), true, true, false, 0, 6, 0), 6);
  EXPECT_EQ(FindLineStartBackBounded(w.Reader(), true, false, false, 0, 6, 0), -1);
}

TEST(LineBreak, SelectsThroughTheCrOfTheFirstCrLf) {
  EXPECT_EQ(LengthToLineBreak(std::wstring(L"abc\r\ndef")), 4u);
  EXPECT_EQ(LengthToLineBreak(std::wstring(L"abc")), 3u);
  EXPECT_EQ(LengthToLineBreak(std::wstring(L"\r\n")), 1u);
  // A lone LF then CR (what a big-endian search pattern would meet) is no break.
  EXPECT_EQ(LengthToLineBreak(std::wstring(L"ab\n\rc\r\n")), 6u);
  EXPECT_EQ(LengthToLineBreak(std::string("\x88\x9f\r\nx")), 3u);
}

}  // namespace
