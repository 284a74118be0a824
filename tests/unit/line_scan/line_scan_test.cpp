// Line-boundary scans: fixed cases of the step rules and their side effects,
// and a differential test of the block scans against the byte-at-a-time
// reference over generated files.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/utf16_bytes.h"
#include "text/LineScan.h"
#include "unit/line_scan/MemReader.h"

using namespace std::string_literals;
using linescan::LineState;
using linescan::ScanOptions;
using testsupport::MemReader;
using testsupport::Source;

namespace {

enum Dir { kBack, kBackWide, kFwd, kFwdWide };

struct Outcome {
  int64_t result;
  int64_t fln;
  int64_t lls;
  bool operator==(const Outcome& o) const { return result == o.result && fln == o.fln && lls == o.lls; }
};
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{result " << o.result << ", first line " << o.fln << ", last line start " << o.lls << "}";
}

struct Call {
  Dir dir;
  int64_t n = 0;
  int64_t p = 0;
  bool lone = false;
  int byteOrder = 1;
  int64_t limit = -1;           // forward: -1 = the data size
  int64_t pageStartLimit = -1;  // forward: -1 = limit - 1
  int64_t fln = 0;
  int64_t lls = 0;
};

Outcome Run(const std::string& data, const Call& c, bool reference, size_t block = 65536,
            const std::shared_ptr<testsupport::MemSource>& given = nullptr) {
  auto src = given ? given : Source(data);
  auto read = MemReader(src);
  ScanOptions opt;
  opt.loneLineEnds = c.lone;
  opt.byteOrder = c.byteOrder;
  opt.firstBlock = block;
  opt.maxBlock = block;
  LineState st{c.fln, c.lls};
  const int64_t size = static_cast<int64_t>(data.size());
  const int64_t limit = c.limit < 0 ? size : c.limit;
  const int64_t psl = c.pageStartLimit < 0 ? limit - 1 : c.pageStartLimit;
  int64_t r = 0;
  switch (c.dir) {
    case kBack:
      r = reference ? linescan::reference::FindLineStartBack(read, c.n, c.p, opt, st)
                    : linescan::FindLineStartBack(read, size, c.n, c.p, opt, st);
      break;
    case kBackWide:
      r = reference ? linescan::reference::FindLineStartBackWide(read, c.n, c.p, opt, st)
                    : linescan::FindLineStartBackWide(read, size, c.n, c.p, opt, st);
      break;
    case kFwd:
      r = reference ? linescan::reference::FindLineStartForward(read, c.n, limit, psl, c.p, opt, st)
                    : linescan::FindLineStartForward(read, size, c.n, limit, psl, c.p, opt, st);
      break;
    case kFwdWide:
      r = reference ? linescan::reference::FindLineStartForwardWide(read, c.n, limit, psl, c.p, opt, st)
                    : linescan::FindLineStartForwardWide(read, size, c.n, limit, psl, c.p, opt, st);
      break;
  }
  return {r, st.firstLineNumber, st.lastLineStart};
}

std::string Le(const std::u16string& s) { return testsupport::Utf16Le(s); }
std::string Be(const std::u16string& s) { return testsupport::Utf16Be(s); }

struct Case {
  const char* name;
  std::string data;
  Call call;
  Outcome expected;
};

void CheckCases(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Run(c.data, c.call, true), c.expected) << "reference";
    EXPECT_EQ(Run(c.data, c.call, false), c.expected) << "block scan";
    EXPECT_EQ(Run(c.data, c.call, false, 8), c.expected) << "block scan, 8-byte blocks";
  }
}

TEST(LineScanBack, NarrowStepRules) {
  //                                         dir  n  p  lone bo lim psl fln lls
  CheckCases({
      {"inside the second line", "ab\r\ncd"s, {kBack, 0, 5, false, 1, -1, -1, 3, 7}, {4, 2, 0}},
      {"on the CR: start of the following line", "ab\r\ncd"s, {kBack, 0, 2}, {4, 0, 0}},
      {"on the LF of CR LF", "ab\r\ncd"s, {kBack, 0, 3}, {4, 0, 0}},
      {"no line end: back to 0, line 1 becomes 0", "abcdef"s, {kBack, 0, 4, false, 1, -1, -1, 1, 9}, {0, 0, 0}},
      {"no line end: other line numbers stay", "abcdef"s, {kBack, 0, 4, false, 1, -1, -1, 5, 9}, {0, 5, 9}},
      {"lone LF ignored while the switch is off", "ab\ncd"s, {kBack, 0, 4}, {0, 0, 0}},
      {"lone LF ends a line with the switch on", "ab\ncd"s, {kBack, 0, 4, true}, {3, 0, 0}},
      {"lone CR with the switch on", "ab\rcd"s, {kBack, 0, 4, true}, {3, 0, 0}},
      {"LF at offset 0 counts", "\nabc"s, {kBack, 0, 2, true}, {1, 0, 0}},
      {"CR LF at offset 0", "\r\nab"s, {kBack, 0, 0}, {2, 0, 0}},
      {"N = 1 skips one line end", "a\r\nb\r\nc"s, {kBack, 1, 6}, {3, 0, 0}},
      {"N = 1 without enough line ends", "a\r\nbc"s, {kBack, 1, 4}, {0, 0, 0}},
      {"line 1, line end at P: lowered to 0", "ab\r\ncd"s, {kBack, 0, 2, false, 1, -1, -1, 1, 6}, {4, 0, 0}},
      {"line 1, line end further back: reset on the way", "ab\r\ncd"s, {kBack, 0, 5, false, 1, -1, -1, 1, 6},
       {4, 0, 0}},
      {"line 2, line end further back: lowered once", "ab\r\ncd"s, {kBack, 0, 5, false, 1, -1, -1, 2, 6},
       {4, 1, 0}},
      {"position past the end", "ab\r\ncd"s, {kBack, 0, 40}, {4, 0, 0}},
      {"negative position", "abc"s, {kBack, 0, -1, false, 1, -1, -1, 1, 5}, {-1, 1, 5}},
  });
}

TEST(LineScanBack, WideStepRules) {
  const std::string le = Le(u"ab\r\ncd"), be = Be(u"ab\r\ncd");
  CheckCases({
      {"LE inside the second line", le, {kBackWide, 0, 10, false, 1, -1, -1, 3, 7}, {8, 2, 0}},
      {"BE inside the second line", be, {kBackWide, 0, 10, false, 0, -1, -1, 3, 7}, {8, 2, 0}},
      {"BE data read as LE has no line end", be, {kBackWide, 0, 10, false, 1}, {0, 0, 0}},
      {"odd position made even", le, {kBackWide, 0, 11}, {8, 0, 0}},
      {"position 1 becomes 2", Le(u"\r\nab"), {kBackWide, 0, 1}, {4, 0, 0}},
      {"position 0 gives 0 at once", Le(u"\r\nab"), {kBackWide, 0, 0, false, 1, -1, -1, 1, 5}, {0, 1, 5}},
      {"CR LF at offset 0 found on the way", Le(u"\r\nab"), {kBackWide, 0, 2}, {4, 0, 0}},
      {"LF at offset 0 does not count", Le(u"\nabc"), {kBackWide, 0, 4, true}, {0, 0, 0}},
      {"lone LF with the switch on", Le(u"ab\ncd"), {kBackWide, 0, 8, true}, {6, 0, 0}},
      {"lone CR with the switch on", Be(u"ab\rcd"), {kBackWide, 0, 8, true, 0}, {6, 0, 0}},
      {"line 1 stays 1 without a line end", Le(u"abcdef"), {kBackWide, 0, 8, false, 1, -1, -1, 1, 5}, {0, 1, 5}},
      {"line 1 reset at a line end that does not end the scan", Le(u"a\r\nb\r\nc"),
       {kBackWide, 1, 12, false, 1, -1, -1, 1, 5}, {6, 0, 0}},
      {"odd-sized file, position past the end", Le(u"ab\r\ncd") + "x", {kBackWide, 0, 40}, {8, 0, 0}},
  });
}

TEST(LineScanForward, NarrowStepRules) {
  const std::string d = "ab\r\ncd\r\nef"s;  // size 10
  CheckCases({
      {"to the next line start", d, {kFwd, 0, 1, false, 1, -1, -1, 0, 0}, {4, 1, 4}},
      {"the same line start again does not count twice", d, {kFwd, 0, 2, false, 1, -1, -1, 1, 4}, {4, 1, 4}},
      {"position 0 gives 0", d, {kFwd, 0, 0, false, 1, -1, -1, 3, 3}, {0, 3, 3}},
      {"no line end before the limit", d, {kFwd, 0, 8}, {10, 0, 0}},
      {"limit below the size", d, {kFwd, 0, 5, false, 1, 6}, {6, 0, 0}},
      {"a CR LF that starts below the limit", d, {kFwd, 0, 5, false, 1, 7}, {8, 0, 8}},
      {"line start not below the last page start", d, {kFwd, 0, 5, false, 1, -1, 8, 2, 0}, {8, 2, 8}},
      {"N = 1", d, {kFwd, 1, 1}, {8, 1, 8}},
      {"lone LF skipped while the switch is off", "a\nb\r\ncd"s, {kFwd, 0, 1}, {5, 1, 5}},
      {"lone LF with the switch on", "a\nb\r\ncd"s, {kFwd, 0, 1, true}, {2, 1, 2}},
      {"on the LF of a CR LF with the switch on", d, {kFwd, 0, 3, true}, {4, 1, 4}},
      {"on the LF of a CR LF with the switch off: the next line", d, {kFwd, 0, 3}, {8, 1, 8}},
      {"at or past the limit", d, {kFwd, 0, 12, false, 1, -1, -1, 4, 4}, {12, 4, 4}},
  });
}

TEST(LineScanForward, WideStepRules) {
  const std::string le = Le(u"ab\r\ncd\r\nef"), be = Be(u"ab\r\ncd\r\nef");  // size 20
  CheckCases({
      {"LE to the next line start", le, {kFwdWide, 0, 2}, {8, 1, 8}},
      {"BE to the next line start", be, {kFwdWide, 0, 2, false, 0}, {8, 1, 8}},
      {"odd position made even", le, {kFwdWide, 0, 5}, {8, 1, 8}},
      {"position 1 becomes 2", Le(u"a\r\nbc"), {kFwdWide, 0, 1}, {6, 1, 6}},
      {"position 2 looks at the unit at 0", Le(u"\r\nab"), {kFwdWide, 0, 2, true}, {8, 0, 0}},
      {"LF after CR is not lone", le, {kFwdWide, 0, 6, true}, {16, 1, 16}},
      {"lone LF with the switch on", Le(u"a\nb\r\nc"), {kFwdWide, 0, 2, true}, {4, 1, 4}},
      {"no line end before the limit", le, {kFwdWide, 0, 16}, {20, 0, 0}},
      {"odd limit", Le(u"abcdef") + "x", {kFwdWide, 0, 2}, {14, 0, 0}},
  });
}

// ---- block reads

TEST(LineScanBlocks, FileWithoutLineEndsTakesOneReadPerBlock) {
  const int64_t size = 8 << 20;
  auto src = Source(std::string(static_cast<size_t>(size), 'x'));
  ScanOptions opt;
  LineState st;
  EXPECT_EQ(linescan::FindLineStartBack(MemReader(src), size, 0, size - 1, opt, st), 0);
  EXPECT_LT(src->reads, 16);
  src->reads = 0;
  EXPECT_EQ(linescan::FindLineStartForward(MemReader(src), size, 0, size, size - 1, 1, opt, st), size);
  EXPECT_LT(src->reads, 16);
  src->reads = 0;
  EXPECT_EQ(linescan::FindLineStartBackWide(MemReader(src), size, 0, size - 2, opt, st), 0);
  EXPECT_LT(src->reads, 16);
  src->reads = 0;
  EXPECT_EQ(linescan::FindLineStartForwardWide(MemReader(src), size, 0, size, size - 1, 2, opt, st), size);
  EXPECT_LT(src->reads, 16);
}

TEST(LineScanBlocks, NeverReadsAtOrPastTheRealSize) {
  // A position far past the real size (a size capped for display, a file
  // that shrank): the scans neither step through the gap nor read it.
  const std::string data = "line one\r\nline two\r\nline three";
  const int64_t size = static_cast<int64_t>(data.size());
  const int64_t far = int64_t(1) << 50;
  for (Dir dir : {kBack, kBackWide, kFwd, kFwdWide}) {
    SCOPED_TRACE(dir);
    auto src = Source(data);
    src->forbidFrom = size;
    ScanOptions opt;
    LineState st;
    auto read = MemReader(src);
    switch (dir) {
      case kBack: EXPECT_EQ(linescan::FindLineStartBack(read, size, 0, far, opt, st), 20); break;
      case kBackWide: linescan::FindLineStartBackWide(read, size, 0, far, opt, st); break;
      case kFwd: EXPECT_EQ(linescan::FindLineStartForward(read, size, 0, far, far, 22, opt, st), far); break;
      case kFwdWide: linescan::FindLineStartForwardWide(read, size, 0, far, far, 22, opt, st); break;
    }
    EXPECT_FALSE(src->forbiddenTouched);
    EXPECT_LT(src->reads, 4);
  }
}

TEST(LineScanBlocks, FailedReadGivesMinusOne) {
  std::string data(100000, 'x');
  data[10] = '\n';
  auto src = Source(data);
  src->failAt = 50000;
  ScanOptions opt;
  LineState st{3, 7};
  EXPECT_EQ(linescan::FindLineStartBack(MemReader(src), 100000, 0, 99999, opt, st), -1);
  EXPECT_EQ(linescan::FindLineStartForward(MemReader(src), 100000, 0, 100000, 99999, 20, opt, st), -1);
  EXPECT_EQ(st.firstLineNumber, 3);
}

// ---- differential test

// Random texts of letters and line ends: CR LF, lone CR, lone LF, and runs of
// them, so that pairs fall across block borders at every offset.
std::string RandomNarrow(std::mt19937& rng, size_t len) {
  std::string s;
  std::uniform_int_distribution<int> pick(0, 9);
  while (s.size() < len) {
    switch (pick(rng)) {
      case 0: s += "\r\n"; break;
      case 1: s += '\r'; break;
      case 2: s += '\n'; break;
      case 3: s += "\n\r"; break;
      default: s += static_cast<char>('a' + pick(rng)); break;
    }
  }
  s.resize(len);
  return s;
}

std::u16string RandomWide(std::mt19937& rng, size_t units) {
  std::u16string s;
  std::uniform_int_distribution<int> pick(0, 11);
  // Units whose bytes look like CR or LF in the other byte order, and 0x0D0A.
  const char16_t decoys[] = {0x0D00, 0x0A00, 0x0D0A, 0x0A0D, 0x3042, 0x300D};
  while (s.size() < units) {
    const int k = pick(rng);
    switch (k) {
      case 0: s += u"\r\n"; break;
      case 1: s += u'\r'; break;
      case 2: s += u'\n'; break;
      case 3: s += decoys[pick(rng) % 6]; break;
      default: s += static_cast<char16_t>(u'a' + k); break;
    }
  }
  s.resize(units);
  return s;
}

void Differential(const std::string& data, Dir dir, int byteOrder, std::mt19937& rng, int64_t* compared) {
  const int64_t size = static_cast<int64_t>(data.size());
  std::uniform_int_distribution<int> coin(0, 3);
  for (bool lone : {false, true}) {
    for (int64_t p = 0; p <= size + 2; ++p) {
      for (int64_t n : {0, 1, 3}) {
        Call c;
        c.dir = dir;
        c.n = n;
        c.p = p;
        c.lone = lone;
        c.byteOrder = byteOrder;
        const int64_t flns[] = {0, 1, 2, 7};
        c.fln = flns[coin(rng)];
        c.lls = coin(rng) == 0 ? 0 : static_cast<int64_t>(rng() % (size + 3));
        if (dir == kFwd || dir == kFwdWide) {
          c.limit = coin(rng) == 0 ? static_cast<int64_t>(rng() % (size + 1)) : size;
          c.pageStartLimit = c.limit - (c.limit <= 32 ? 1 : 32);
        }
        const Outcome ref = Run(data, c, true);
        for (size_t block : {size_t(8), size_t(9), size_t(16), size_t(65536)}) {
          const Outcome got = Run(data, c, false, block);
          if (!(got == ref)) {
            ADD_FAILURE() << "dir " << dir << " byte order " << byteOrder << " lone " << lone << " n " << n << " p "
                          << p << " fln " << c.fln << " lls " << c.lls << " limit " << c.limit << " block " << block
                          << "\n data " << testing::PrintToString(data) << "\n reference " << ref << "\n block   "
                          << got;
            return;
          }
          ++*compared;
        }
      }
    }
  }
}

TEST(LineScanDifferential, BlockScansMatchTheReferenceOnGeneratedFiles) {
  std::mt19937 rng(20261210);
  int64_t compared = 0;
  for (int round = 0; round < 40; ++round) {
    const size_t len = round < 10 ? static_cast<size_t>(round) : 10 + rng() % 120;
    const std::string narrow = RandomNarrow(rng, len);
    Differential(narrow, kBack, 1, rng, &compared);
    Differential(narrow, kFwd, 1, rng, &compared);
    const std::u16string wide = RandomWide(rng, len / 2 + 1);
    for (int bo : {0, 1}) {
      std::string bytes = bo ? Le(wide) : Be(wide);
      if (round % 3 == 0) bytes += 'z';  // a file of odd size
      Differential(bytes, kBackWide, bo, rng, &compared);
      Differential(bytes, kFwdWide, bo, rng, &compared);
    }
    if (HasFailure()) return;
  }
  EXPECT_GT(compared, 100000);
}

TEST(LineScanDifferential, LongLinesAcrossManyBlocks) {
  // Few line ends far apart, CR LF pairs placed on every border of 16-byte blocks.
  std::mt19937 rng(7);
  int64_t compared = 0;
  for (int shift = 0; shift < 18; ++shift) {
    std::string data(300, 'q');
    for (size_t at = 15 + shift; at + 1 < data.size(); at += 16 * 5) {
      data[at] = '\r';
      data[at + 1] = '\n';
    }
    Differential(data, kBack, 1, rng, &compared);
    Differential(data, kFwd, 1, rng, &compared);
    Differential(data, kBackWide, 1, rng, &compared);
    Differential(data, kFwdWide, 0, rng, &compared);
    if (HasFailure()) return;
  }
}

}  // namespace
