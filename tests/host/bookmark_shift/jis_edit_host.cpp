// Typed edits in JIS files land on whole characters and keep the escape
// structure: the file "ESC $ B 24 22 24 24 ESC ( B a CR LF" (two kana, then
// a), with the caret at each text position.
#include <gtest/gtest.h>

#include <string>

#include "text/JisEdit.h"

namespace {

const std::string kFile = "\x1B$B\x24\x22\x24\x24\x1B(Ba\r\n";

const unsigned char* U(const std::string& f) { return reinterpret_cast<const unsigned char*>(f.data()); }

jisedit::Point At(int64_t text, const std::string& f = kFile) {
  return jisedit::Locate(U(f), f.size(), jisdecode::State(), text);
}

TEST(JisEdit, CharactersAroundTheCaret) {
  struct Case {
    int64_t text;
    int64_t prevStart, prevLength, nextStart, nextLength;
  } cases[] = {
      {0, 0, 0, 3, 2},   // file start: Delete takes the first kana, not ESC $
      {2, 3, 2, 5, 2},   // between the kana
      {4, 5, 2, 10, 1},  // after the second kana: Backspace takes it, Delete takes "a"
      {5, 10, 1, 11, 1},
      {6, 11, 1, 12, 1},
  };
  for (const Case& c : cases) {
    const jisedit::Point p = At(c.text);
    EXPECT_EQ(p.prevStart, c.prevStart) << c.text;
    EXPECT_EQ(p.prevLength, c.prevLength) << c.text;
    EXPECT_EQ(p.nextStart, c.nextStart) << c.text;
    EXPECT_EQ(p.nextLength, c.nextLength) << c.text;
  }
}

TEST(JisEdit, LineEndsLeaveEveryLineInSingleByteMode) {
  auto apply = [](int64_t text) {
    const jisedit::Change ins = jisedit::Typed(U(kFile), kFile.size(), jisdecode::State(), At(text), "\r\n", false);
    std::string f = kFile;
    f.replace(static_cast<size_t>(ins.at), static_cast<size_t>(ins.length), ins.bytes);
    return f;
  };
  EXPECT_EQ(apply(0), "\r\n" + kFile);                                             // before the run
  EXPECT_EQ(apply(2), "\x1B$B\x24\x22\x1B(B\r\n\x1B$B\x24\x24\x1B(Ba\r\n");         // inside it
  EXPECT_EQ(apply(4), "\x1B$B\x24\x22\x24\x24\x1B(B\r\na\r\n");                     // at its end
  EXPECT_EQ(apply(5), "\x1B$B\x24\x22\x24\x24\x1B(Ba\r\n\r\n");
  // A kana run opened by SO closes with SI.
  const std::string so = "\x0E\x31\x32\x0Fz";
  const jisedit::Change ins = jisedit::Typed(U(so), so.size(), jisdecode::State(), At(1, so), "\r\n", true);
  EXPECT_EQ(ins.at, 2);
  EXPECT_EQ(ins.bytes, "\x0F\r\n\x0E");
}

}  // namespace
