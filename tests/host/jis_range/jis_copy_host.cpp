// Copying a selection of a JIS file, through the pure steps the narrow range
// reader takes: the caret's file offset from the memo text, the shift-state
// adjustment, the file extent of the selected text, the designation of a run the
// range begins in, and the conversion back. For every selection of small texts
// with half-width kana runs (ESC ( I ... ESC ( B and SO ... SI) next to kanji
// runs and ASCII, the text read back is the selected text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "text/JisRange.h"
#include "text/RangeRead.h"
#include "text/Selection.h"
#include "text/conv.h"
#include "text/conv_jisshift.h"

namespace {

class StringFile : public conv::JisByteSource {
 public:
  explicit StringFile(const std::string& d) : data(d) {}
  int ReadAt(int64_t pos, unsigned char* buf, int count) override {
    if (pos < 0) return -1;
    if (pos >= static_cast<int64_t>(data.size())) return 0;
    const size_t n = std::min(static_cast<size_t>(count), data.size() - static_cast<size_t>(pos));
    std::memcpy(buf, data.data() + pos, n);
    return static_cast<int>(n);
  }
  const std::string& data;
};

textio::ReadAt Over(const std::string& data) {
  return [&data](int64_t offset, void* buf, size_t len) -> int64_t {
    if (offset >= static_cast<int64_t>(data.size())) return 0;
    const size_t n = std::min(len, data.size() - static_cast<size_t>(offset));
    std::memcpy(buf, data.data() + offset, n);
    return static_cast<int64_t>(n);
  };
}

// Starts of the Shift_JIS characters of t, and its end.
std::vector<size_t> Boundaries(const std::string& t) {
  std::vector<size_t> b;
  size_t i = 0;
  while (i < t.size()) {
    b.push_back(i);
    const unsigned char c = static_cast<unsigned char>(t[i]);
    i += ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
  }
  b.push_back(t.size());
  return b;
}

// What the narrow reader gives for the memo selection [from, to) of `memo`,
// the page being the whole file.
std::string CopyOf(const std::string& file, const std::string& memo, size_t from, size_t to, bool shiftOut) {
  const selection::JisCaret caret = selection::JisCaretState(memo, from, true);
  rangeread::RangeInput in;
  in.code = 4;
  in.narrowReader = true;
  in.selStart = selection::JisCaretMeasure(memo, from, shiftOut);
  in.selLength = static_cast<int64_t>(to - from);
  in.jisShiftState = caret.shiftState;
  in.jisRunStart = caret.runStart;
  const rangeread::ByteRange range = rangeread::RangeBytes(in);
  const int64_t length = jisrange::FileLengthForText(Over(file), range.start, in.selLength);
  if (length < 0) return "<read failed>";
  std::string jisText = file.substr(static_cast<size_t>(range.start), static_cast<size_t>(length)) + "\x1B(B";
  int64_t keep = static_cast<int64_t>(jisText.size());
  StringFile source(file);
  conv::JisShiftAt(source, range.start, &jisText, &keep, 0);
  conv::Context ctx;
  std::string out;
  if (!conv::JisToSjis(ctx, jisText.c_str(), &out)) return "<not converted>";
  return out;
}

}  // namespace

TEST(JisCopyHost, EverySelectionAroundKanaRunsIsReadBackExactly) {
  // Shift_JIS memo texts: ｱｲｳ = B1 B2 B3, 漢字 = 8A BF 8E 9A, a kana whose trail
  // byte looks like kana (ﾀ after 漢: BF), a run at the line's start and end.
  const std::string texts[] = {
      "ab\xB1\xB2\xB3" "cd",
      "\x8A\xBF\x8E\x9A\xB1\xB2\xB3\x8A\xBF" "x",
      "\xB1\xB2\r\n\xB3\xB4\xB5\r\nz\xC0",
      "a\x8A\xBF\xC0\xC1 \xB1",
  };
  for (bool shiftOut : {false, true}) {
    SCOPED_TRACE(shiftOut ? "SO/SI" : "ESC ( I");
    for (const std::string& memo : texts) {
      conv::Context ctx;
      ctx.KanaByShiftOut = shiftOut;
      std::string file;
      ASSERT_TRUE(conv::SjisToJis(ctx, memo.c_str(), &file));
      ASSERT_NE(file.find(shiftOut ? "\x0E" : "\x1B(I"), std::string::npos);
      const std::vector<size_t> b = Boundaries(memo);
      for (size_t i = 0; i < b.size(); ++i) {
        for (size_t j = i + 1; j < b.size(); ++j) {
          const std::string want = memo.substr(b[i], b[j] - b[i]);
          EXPECT_EQ(CopyOf(file, memo, b[i], b[j], shiftOut), want)
              << "memo bytes " << b[i] << ".." << b[j] << " of text " << (&memo - texts);
        }
      }
    }
  }
}

TEST(JisCopyHost, CaretInsideAKanaRunIsAtItsByteInTheFile) {
  // "aｱｲb": a ESC ( I 1 2 ESC ( B b, or a SO 1 2 SI b.
  const std::string memo = "a\xB1\xB2" "b";
  struct Case {
    size_t caret;
    int64_t escI, shiftOut;
  } cases[] = {
      {0, 0, 0}, {1, 1, 1},  // at the run's designation
      {2, 5, 3},             // inside the run: not past its end
      {3, 9, 5},             // after the run's end
      {4, 10, 6},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(selection::JisCaretMeasure(memo, c.caret, false), c.escI) << c.caret;
    EXPECT_EQ(selection::JisCaretMeasure(memo, c.caret, true), c.shiftOut) << c.caret;
  }
}
