// The file extent of a JIS range given by its text length: escape sequences
// and shift bytes inside the range come on top, wherever they stand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/JisRange.h"

namespace {

textio::ReadAt Over(const std::string& data, int* reads = nullptr, int64_t failAt = -1) {
  return [&data, reads, failAt](int64_t offset, void* buf, size_t len) -> int64_t {
    if (reads) ++*reads;
    if (failAt >= 0 && offset + static_cast<int64_t>(len) > failAt) return -1;
    if (offset >= static_cast<int64_t>(data.size())) return 0;
    const size_t n = std::min(len, data.size() - static_cast<size_t>(offset));
    std::memcpy(buf, data.data() + offset, n);
    return static_cast<int64_t>(n);
  };
}

}  // namespace

TEST(JisRange, ControlSequencesAreNotText) {
  struct Row {
    std::string bytes;
    int length;
  } rows[] = {{"\x1B(B", 3}, {"\x1B(J", 3}, {"\x1B(I", 3}, {"\x1B$@", 3}, {"\x1B$B", 3}, {"\x1B&@", 3},
              {"\x1B$(D", 4}, {"\x0E", 1},   {"\x0F", 1},   {"\x1B(", 0},  {"\x1B$(", 0}, {"A", 0},
              {"\x1B" "AB", 0}};
  for (const Row& r : rows) {
    EXPECT_EQ(jisrange::ControlLengthAt(reinterpret_cast<const unsigned char*>(r.bytes.data()), r.bytes.size()),
              r.length)
        << r.bytes.size();
  }
}

// Each line of a JIS text opens and closes its kanji run; a range of several
// lines holds the escapes of every line, also those past start + text length.
TEST(JisRange, RangeReachesPastEveryEscapeInside) {
  const std::string line = "01: \x1B$B$N%5\x1B(B\r\n";  // 4 + 3 + 4 + 3 + 2: 10 text bytes
  std::string file;
  for (int i = 0; i < 50; ++i) file += line;
  const auto read = Over(file);
  EXPECT_EQ(jisrange::FileLengthForText(read, 0, 10), 16);             // one line with its CR LF
  EXPECT_EQ(jisrange::FileLengthForText(read, 0, 500), 800);           // fifty lines
  EXPECT_EQ(jisrange::FileLengthForText(read, 0, 6), 4 + 3 + 2);       // ends inside the run, before its close
  EXPECT_EQ(jisrange::FileLengthForText(read, 4, 4), 3 + 4);           // starts at the designation
  EXPECT_EQ(jisrange::FileLengthForText(read, 0, 0), 0);
  EXPECT_EQ(jisrange::FileLengthForText(read, 16 * 49, 1000), 16);     // cut at the end of the file
  EXPECT_EQ(jisrange::FileLengthForText(read, 0, 2), 2);
  // And back: the text bytes of a file range.
  EXPECT_EQ(jisrange::TextBytesIn(read, 0, 16), 10);
  EXPECT_EQ(jisrange::TextBytesIn(read, 0, 800), 500);
  EXPECT_EQ(jisrange::TextBytesIn(read, 4, 7), 4);
  EXPECT_EQ(jisrange::TextBytesIn(read, 16 * 49, 1000), 10);  // the file ends first
  EXPECT_EQ(jisrange::TextBytesIn(read, 0, 0), 0);
}

TEST(JisRange, SequencesAcrossBlockBordersAndFailedReads) {
  // An escape sequence straddles the 64 KiB read border.
  std::string file(65534, 'a');
  file += "\x1B$B";
  file += std::string(100, 'b');
  int reads = 0;
  EXPECT_EQ(jisrange::FileLengthForText(Over(file, &reads), 0, 65534 + 10), 65534 + 3 + 10);
  EXPECT_GE(reads, 2);
  EXPECT_EQ(jisrange::FileLengthForText(Over(file, nullptr, 10), 0, 100), -1);
}
