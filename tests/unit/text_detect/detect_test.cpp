// Character-code detection: the start patterns, the five scans with their
// counting rules, the decision of the counts, and the chunk rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/Detect.h"
#include "unit/line_scan/MemReader.h"

using namespace std::string_literals;
using testsupport::MemReader;
using testsupport::Source;

namespace {

detect::StartDecision Start(const std::string& s) {
  return detect::DecideByStart(reinterpret_cast<const uint8_t*>(s.data()), std::min<size_t>(s.size(), 10));
}

struct StartRow {
  std::string bytes;
  bool decided;
  int code, order, bom;
};

TEST(DetectStart, MarksAndUtf16PatternInOrder) {
  const std::vector<StartRow> rows = {
      {"\xFF\xFE" "a\0"s, true, 1, 1, 2},
      {"\xFE\xFF\0a"s, true, 1, 0, 2},
      {"\xFF\xFE\0\0"s, true, 1, 1, 2},          // the mark wins over anything after it
      {"\r\0\n\0a\0"s, true, 1, 1, 0},           // empty first line of UTF-16 LE
      {"\0\r\0\n\0a"s, true, 1, 0, 0},
      {"\xEF\xBB\xBF" "abc"s, true, 2, 1, 3},
      {"\xEF\xBB\xBF"s, true, 2, 1, 3},
      {"\xEF\xBB"s, false, 0, 1, 0},              // a pattern counts only when all its bytes are there
      {"\r\0\n"s, false, 0, 1, 0},
      {"\xFF"s, false, 0, 1, 0},                  // fewer than 2 bytes
      {""s, false, 0, 1, 0},
      {"ab\r\0\n\0"s, false, 0, 1, 0},            // the four-byte patterns only at the very start
      {"\r\n"s, false, 0, 1, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.bytes));
    const auto d = Start(r.bytes);
    EXPECT_EQ(d.decided, r.decided);
    EXPECT_EQ(d.textCode, r.code);
    EXPECT_EQ(d.byteOrder, r.order);
    EXPECT_EQ(d.bomLength, r.bom);
    EXPECT_EQ(d.hasBom, r.bom > 0);
  }
}

bool Jis(const std::string& s, int64_t limit = -1, int64_t chunk = detect::kChunk) {
  auto src = Source(s);
  return detect::ScanJis(MemReader(src), limit < 0 ? static_cast<int64_t>(s.size()) : limit, chunk);
}

TEST(DetectScan, JisEscapesShiftsAndHighBytes) {
  struct Row {
    std::string bytes;
    bool hit;
  } rows[] = {
      {"abc\x1b$Bxyz"s, true},
      {"\x1b(B"s, true},
      {"\x1b(J"s, true},
      {"\x1b(I"s, true},
      {"\x1b$@"s, true},
      {"\x1b$(D"s, true},
      {"\x1b&@\x1b$B"s, true},
      {"\x1b$"s, false},            // the two bytes must be in the read
      {"\x1b$("s, false},
      {"\x1b&@\x1b$"s, false},
      {"\x1b(A"s, false},
      {"a\x0e" "b\x0f" "c"s, true},  // SO, then SI
      {"a\x0f" "b\x0e" "c"s, false}, // SI before SO
      {"\x82\xa0\x1b$B"s, false},   // a byte of 0x80 or more ends the scan first
      {"plain ascii\r\n"s, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.bytes));
    EXPECT_EQ(Jis(r.bytes), r.hit);
  }
}

TEST(DetectScan, JisShiftOutLastsAcrossChunksAndLastReadRunsPastTheLimit) {
  // SO in the first chunk, SI in the third.
  EXPECT_TRUE(Jis("\x0e" "abcdefghijk\x0f"s, -1, 4));
  // The last read of the range is examined to its end (chunk + 5 bytes), so an
  // escape just past the limit is still found; one further on is not.
  const std::string pad(detect::kChunk, 'a');
  EXPECT_TRUE(Jis(pad + "\x1b$B", detect::kChunk));
  EXPECT_FALSE(Jis(pad + "zzzzzz\x1b$B", detect::kChunk));
  EXPECT_TRUE(Jis(pad + "zzzzzz\x1b$B", detect::kChunk * 2));
}

bool Utf16(const std::string& s, int* bo, int64_t chunk = detect::kChunk) {
  auto src = Source(s);
  return detect::ScanUtf16(MemReader(src), static_cast<int64_t>(s.size()), bo, chunk);
}

TEST(DetectScan, Utf16LineEndPatternOnWholeUnits) {
  int bo = 1;
  EXPECT_TRUE(Utf16("a\0b\0\r\0\n\0c\0"s, &bo));
  EXPECT_EQ(bo, 1);
  bo = 1;
  EXPECT_TRUE(Utf16("\0a\0\r\0\n\0c"s, &bo));
  EXPECT_EQ(bo, 0);
  bo = 1;
  EXPECT_FALSE(Utf16("x\r\0\n\0y"s, &bo));  // at an odd offset: not on a unit
  EXPECT_FALSE(Utf16("a\r\nb\r\n"s, &bo));
  EXPECT_EQ(bo, 1);
}

TEST(DetectScan, Utf16BigEndianHitInAnyChunkWins) {
  // Chunks of 8 bytes: little-endian hit in the first, big-endian in the second.
  int bo = 1;
  EXPECT_TRUE(Utf16("\r\0\n\0aaaa"s "\0\r\0\nbbbb"s, &bo, 8));
  EXPECT_EQ(bo, 0);
  // Big endian first, little endian later: stays big endian.
  bo = 1;
  EXPECT_TRUE(Utf16("\0\r\0\naaaa"s "\r\0\n\0bbbb"s, &bo, 8));
  EXPECT_EQ(bo, 0);
}

uint32_t Count(bool (*scan)(const textio::ReadAt&, int64_t, uint32_t*, int64_t), const std::string& s,
               bool* result = nullptr, int64_t chunk = detect::kChunk) {
  auto src = Source(s);
  uint32_t n = 12345;
  const bool r = scan(MemReader(src), static_cast<int64_t>(s.size()), &n, chunk);
  if (result) *result = r;
  EXPECT_EQ(r, n > 0);
  return n;
}

TEST(DetectScan, Utf8CountsSequencesAndPassesOverOtherBytes) {
  struct Row {
    std::string bytes;
    uint32_t count;
  } rows[] = {
      {"\xe3\x81\x82\xe3\x81\x84\xe3\x81\x86"s, 3},     // three kana
      {"\xc3\xa9" "t\xc3\xa9"s, 2},                     // two-byte sequences
      {"\xf0\x9f\x98\x80" "abc"s, 1},                   // four bytes
      {"\xe3\x81\x82\x80xyzw"s, 1},                     // a stray 0x80 is passed over
      {"\xe3\x81\x82\x80" "ab"s, 0},                    // ... except third from the end of the read
      {"\xe3\x81\x82\xe3\x81"s, 1},                     // a sequence cut by the end is not counted
      {"ab\xe3\x81"s, 0},
      {"\xc3"s, 0},                                     // no byte after it
      {"plain"s, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.bytes));
    EXPECT_EQ(Count(detect::ScanUtf8, r.bytes), r.count);
  }
}

TEST(DetectScan, SjisCountsPairsSkipsHalfWidthKanaAndStopsAtInvalid) {
  struct Row {
    std::string bytes;
    uint32_t count;
  } rows[] = {
      {"\x82\xa0\x82\xa2\x82\xa4"s, 3},
      {"\x93\xfa\x96\x7b\x8c\xea"s, 3},             // trail bytes below 0x80 too
      {"\x82\xa0\xb1\r\n"s, 1},                     // half-width kana before CR: passed over
      {"\xb1\xb2\xb3"s, 0},
      {"\x82\xa0\x82\r\n\x82\xa0"s, 0},             // a lead byte with CR after it zeroes the count
      {"\x82\xa0\x80" "a"s, 0},                     // 0x80 is no lead byte
      {"\x82\xa0\xfd" "a"s, 0},
      {"abc\x82"s, 0},                              // last byte, nothing after it: not examined
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.bytes));
    EXPECT_EQ(Count(detect::ScanSjis, r.bytes), r.count);
  }
}

TEST(DetectScan, EucCountsPairsKanaAndTriplesAndStopsAtInvalid) {
  struct Row {
    std::string bytes;
    uint32_t count;
  } rows[] = {
      {"\xa4\xa2\xa4\xa4\xa4\xa6"s, 3},
      {"\x8e\xb1" "a"s, 1},              // half-width kana
      {"\x8f\xa1\xa1" "a"s, 1},          // JIS X 0212
      {"\xa4\xa2\x8e\x41"s, 0},
      {"\xa4\xa2\xa4\x41"s, 0},
      {"\xa4\xa2\x8f\xa1"s, 0},          // the triple needs both bytes
      {"\x82\xa0"s, 0},                  // Shift_JIS is no EUC-JP
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.bytes));
    EXPECT_EQ(Count(detect::ScanEuc, r.bytes), r.count);
  }
}

TEST(DetectScan, SequenceOnTheChunksLastByteMovesTheNextChunkPastIt) {
  // Chunk of 4: the pair 82 82 starts on the chunk's last byte. The next chunk
  // starts after its trail byte; starting on the trail byte would pair it
  // with the CR and zero the count.
  EXPECT_EQ(Count(detect::ScanSjis, "abc\x82\x82\r\n"s, nullptr, 4), 1u);
  // The same for a three-byte UTF-8 sequence and an EUC-JP triple.
  EXPECT_EQ(Count(detect::ScanUtf8, "abc\xe3\x81\x82" "defgh"s, nullptr, 4), 1u);
  EXPECT_EQ(Count(detect::ScanEuc, "abc\x8f\xa1\xa1" "defgh"s, nullptr, 4), 1u);
}

TEST(DetectDecision, CountsDecideInOrder) {
  struct Row {
    uint32_t u, s, e;
    int result;
  } rows[] = {
      {0, 0, 0, 0}, {1, 5, 2, 1}, {0, 1, 0, 1}, {5, 1, 2, 2}, {1, 0, 0, 2}, {2, 1, 5, 3}, {0, 0, 1, 3},
      {3, 1, 3, 2},  // UTF-8 and EUC-JP tie above Shift_JIS: UTF-8
      {3, 3, 1, 0},  // Shift_JIS ties with the highest: nothing decided
      {1, 3, 3, 0}, {2, 2, 2, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.u << "," << r.s << "," << r.e);
    detect::Counts k;
    k.utf8 = r.u;
    k.sjis = r.s;
    k.euc = r.e;
    EXPECT_EQ(detect::DecideByCounts(k), r.result);
  }
}

TEST(DetectDecision, WholeDetectionOrderAndResults) {
  struct Row {
    const char* name;
    std::string bytes;
    int result;
    int byteOrder;
    bool countsRan;
  } rows[] = {
      {"ascii", "Hello\r\nworld\r\n"s, 0, 1, true},
      {"sjis", "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\r\n"s, 1, 1, true},
      {"utf8", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x86\xe3\x82\xad\xe3\x82\xb9\xe3\x83\x88\r\n"s,
       2, 1, true},
      {"euc", "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xc6\xa5\xad\xa5\xb9\xa5\xc8\r\n"s, 3, 1, true},
      {"jis escape before any high byte", "abc\x1b$B$\"\x1b(B\r\n"s, 4, 1, false},
      {"utf16 le without mark", "a\0b\0\r\0\n\0"s, 5, 1, false},
      {"utf16 be without mark", "\0a\0b\0\r\0\n"s, 5, 0, false},
      {"sjis with half-width kana before a control byte", "\xb1\r\n\x82\xa0\r\n"s, 1, 1, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    auto src = Source(r.bytes);
    int bo = 1;
    int busyCalls = 0;
    detect::Counts k;
    const int got = detect::DetectTextCode(MemReader(src), static_cast<int64_t>(r.bytes.size()), 1, &bo, &k,
                                           [&](bool) { ++busyCalls; });
    EXPECT_EQ(got, r.result);
    EXPECT_EQ(bo, r.byteOrder);
    EXPECT_EQ(busyCalls, r.countsRan ? 2 : 0);
  }
}

TEST(DetectDecision, ScansStayWithinDetectSize) {
  // 1 MiB of ASCII, then Japanese text in UTF-8: with 1 MB the counts see
  // nothing of it (beyond the last read's few extra bytes); with 2 MB they do.
  std::string data(detect::kChunk + 16, 'a');
  for (int i = 0; i < 50; ++i) data += "\xe3\x81\x82\xe3\x81\x84\xe3\x81\x86\r\n";
  auto src = Source(data);
  int bo = 1;
  EXPECT_EQ(detect::DetectTextCode(MemReader(src), static_cast<int64_t>(data.size()), 1, &bo), 0);
  EXPECT_EQ(detect::DetectTextCode(MemReader(src), static_cast<int64_t>(data.size()), 2, &bo), 2);
  EXPECT_EQ(detect::ScanLimit(100, 1), 100);
  EXPECT_EQ(detect::ScanLimit(int64_t(5) << 30, 50), 50 * detect::kChunk);
}

TEST(DetectDecision, ResultToTextCode) {
  EXPECT_EQ(detect::TextCodeOfResult(0), 0);
  EXPECT_EQ(detect::TextCodeOfResult(1), 0);
  EXPECT_EQ(detect::TextCodeOfResult(2), 2);
  EXPECT_EQ(detect::TextCodeOfResult(3), 3);
  EXPECT_EQ(detect::TextCodeOfResult(4), 4);
  EXPECT_EQ(detect::TextCodeOfResult(5), 1);
}

}  // namespace
