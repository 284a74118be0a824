// The line-index builder, its lookups and the line-list files, on real files
// under wine, against a naive count of line ends.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/LineIndex.h"
#include "framework/FileOps.h"
#include "support/paths.h"

using engine::CheckpointList;
using engine::LineIndexOptions;
using fileops::FaultFiles;
using fileops::Op;
using fileops::ScopedFiles;

namespace {

std::string Lines(int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) s += "l" + std::to_string(i) + "\r\n";
  return s;
}

struct Recs {
  std::vector<std::pair<int64_t, int64_t>> v;
  bool operator==(const Recs& o) const { return v == o.v; }
};
std::ostream& operator<<(std::ostream& os, const Recs& r) {
  for (auto& p : r.v) os << "{" << p.first << "," << p.second << "}";
  return os;
}
Recs Of(const CheckpointList& l) {
  Recs r;
  for (size_t i = 0; i < l.size(); ++i) r.v.push_back({l[i].Lines, l[i].Offset});
  return r;
}

// The ends (offset just past) of the counted line ends, unit by unit; and
// where the count stops (the first byte of an uncounted last line end, or
// the end of the whole units).
struct Naive {
  std::vector<int64_t> ends;
  int64_t stop = 0;
};
Naive NaiveCount(const std::string& s, bool wide, bool be, bool lone) {
  const size_t u = wide ? 2 : 1, n = s.size() / u * u;
  auto unit = [&](size_t i) -> unsigned {
    const unsigned char a = s[i];
    if (!wide) return a;
    const unsigned char b = s[i + 1];
    return be ? (a << 8 | b) : (a | b << 8);
  };
  Naive r;
  size_t i = 0;
  while (i < n) {
    size_t e = 0;
    if (unit(i) == 13) {
      if (i + 2 * u <= n && unit(i + u) == 10)
        e = i + 2 * u;
      else if (lone)
        e = i + u;
    } else if (unit(i) == 10 && lone && !(i > 0 && unit(i - u) == 13)) {
      e = i + u;
    }
    if (!e) {
      i += u;
      continue;
    }
    if (e == s.size()) {
      r.stop = int64_t(i);
      return r;
    }
    r.ends.push_back(int64_t(e));
    i = e;
  }
  r.stop = int64_t(n);
  return r;
}
Recs NaiveIndex(const std::string& s, bool wide, bool be, bool lone, int interval) {
  const Naive n = NaiveCount(s, wide, be, lone);
  Recs r;
  r.v.push_back({0, 1});
  for (size_t k = 1; k <= n.ends.size(); ++k)
    if (k % interval == 0) r.v.push_back({int64_t(k), n.ends[k - 1]});
  r.v.push_back({int64_t(n.ends.size()), n.stop});
  r.v.push_back({lone ? 1 : 0, int64_t(s.size())});
  return r;
}

class Sink : public engine::ProgressSink {
 public:
  int stopAfter = -1;  // ShouldStop true from this call on (1-based); -1 never
  int64_t maximum = -1;
  int steps = 0, asks = 0;
  int64_t last = 0;
  void SetMaximum(int64_t m) override { maximum = m; }
  void Step(int64_t p) override {
    ++steps;
    EXPECT_GE(p, last);
    last = p;
  }
  bool ShouldStop() override { return stopAfter >= 0 && ++asks >= stopAfter; }
};

class LineIndexTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeTempDir(L"li");
    ASSERT_FALSE(dir_.empty());
  }
  std::wstring Make(const std::string& bytes, const std::wstring& name = L"t.txt") {
    const std::wstring p = dir_ + L"\\" + name;
    EXPECT_TRUE(testsupport::WriteBytes(p, bytes));
    return p;
  }
  Recs Build(const std::wstring& p, int code, bool le, bool lone, size_t chunk, int interval,
             engine::LineIndexResult* res = nullptr, Sink* sink = nullptr) {
    LineIndexOptions o;
    o.textCode = code;
    o.littleEndian = le;
    o.lone = lone;
    o.chunk = chunk;
    o.interval = interval;
    Sink own;
    CheckpointList out;
    const auto r = engine::BuildLineIndex(p, o, 1000, sink ? *sink : own, out);
    if (res) *res = r;
    return Of(out);
  }
  std::wstring dir_;
};

std::string RandomText(std::mt19937& g, size_t len, bool wide, bool be) {
  static const char alpha[] = {'a', '\r', '\n', '\r', '\n', 'a', 'a'};
  std::string s;
  for (size_t i = 0; i < len; ++i) {
    const char c = alpha[g() % sizeof alpha];
    if (!wide) {
      s += c;
    } else if (be) {
      s += '\0';
      s += c;
    } else {
      s += c;
      s += '\0';
    }
  }
  if (wide && g() % 5 == 0) s += 'x';  // an odd last byte
  return s;
}

TEST_F(LineIndexTest, BuilderMatchesNaiveCountInEveryCodeChunkAndInterval) {
  std::mt19937 g(7);
  for (int round = 0; round < 60; ++round) {
    const int code = round % 3 == 0 ? 1 : (round % 3 == 1 ? 0 : 3);
    const bool wide = code == 1, be = wide && round % 2, lone = (round / 3) % 2;
    const std::string s = RandomText(g, g() % 80, wide, be);
    const std::wstring p = Make(s);
    for (size_t chunk = 3; chunk <= 9; ++chunk)
      for (int interval : {2, 3}) {
        engine::LineIndexResult res;
        EXPECT_EQ(Build(p, code, !be, lone, chunk, interval, &res), NaiveIndex(s, wide, be, lone, interval))
            << "round " << round << " chunk " << chunk << " interval " << interval;
        EXPECT_FALSE(res.cancelled);
      }
  }
}

TEST_F(LineIndexTest, BuilderEdgeCases) {
  struct Case {
    const char* name;
    std::string bytes;
    int code;
    bool le, lone;
    size_t chunk;
    Recs want;
  };
  const std::string big(1048577, 'a');
  const Case cases[] = {
      {"empty", "", 0, true, false, 8, {{{0, 1}, {0, 0}, {0, 0}}}},
      {"no line end", "abc", 0, true, false, 8, {{{0, 1}, {0, 3}, {0, 3}}}},
      {"pair across chunks", "abcd\r\nxy", 0, true, false, 5, {{{0, 1}, {1, 6}, {1, 8}, {0, 8}}}},
      {"chunk + 1 bytes", big, 0, true, false, 1u << 20, {{{0, 1}, {0, 1048577}, {0, 1048577}}}},
      {"trailing CR LF uncounted", "ab\r\n", 0, true, false, 8, {{{0, 1}, {0, 2}, {0, 4}}}},
      {"trailing lone CR, switch off", "ab\r", 0, true, false, 8, {{{0, 1}, {0, 3}, {0, 3}}}},
      {"a LF b, switch on", "a\nb", 0, true, true, 8, {{{0, 1}, {1, 2}, {1, 3}, {1, 3}}}},
      {"a CR b LF c, switch on", "a\rb\nc", 0, true, true, 8, {{{0, 1}, {1, 2}, {2, 4}, {2, 5}, {1, 5}}}},
      {"a CR LF b, switch on", "a\r\nb", 0, true, true, 8, {{{0, 1}, {1, 3}, {1, 4}, {1, 4}}}},
      {"BE pair", std::string("\0a\0\r\0\n\0b", 8), 1, false, false, 8, {{{0, 1}, {1, 6}, {1, 8}, {0, 8}}}},
      {"LE bytes in a BE file", std::string("a\0\r\0\n\0b\0", 8), 1, false, false, 8, {{{0, 1}, {0, 8}, {0, 8}}}},
      {"odd last byte", std::string("a\0\r\0\n\0b", 7), 1, true, false, 8, {{{0, 1}, {1, 6}, {1, 6}, {0, 7}}}},
  };
  for (const Case& c : cases) {
    const std::wstring p = Make(c.bytes);
    engine::LineIndexResult res;
    EXPECT_EQ(Build(p, c.code, c.le, c.lone, c.chunk, 1, &res), c.want) << c.name;
    EXPECT_FALSE(res.cancelled) << c.name;
  }
}

TEST_F(LineIndexTest, CancelAfterChunksKeepsCheckpointsAndTrailerOnly) {
  const std::wstring p = Make("a\nb\nc\nd\ne\nf\ng\nh\n");
  Sink sink;
  sink.stopAfter = 2;
  engine::LineIndexResult res;
  const Recs got = Build(p, 0, true, true, 4, 2, &res, &sink);
  EXPECT_TRUE(res.cancelled);
  EXPECT_EQ(res.error, 0u);
  // Two chunks of 4 bytes: four line ends, checkpoints at 2 and 4.
  EXPECT_EQ(got, (Recs{{{0, 1}, {2, 4}, {4, 8}, {1, 16}}}));
  EXPECT_EQ(sink.maximum, 1000);
  EXPECT_EQ(sink.steps, 2);
}

TEST_F(LineIndexTest, UnopenablePathGivesACancelledBuildWithoutRecords) {
  engine::LineIndexResult res;
  EXPECT_TRUE(Build(dir_ + L"\\missing.txt", 0, true, false, 8, 2, &res).v.empty());
  EXPECT_TRUE(res.cancelled);
  EXPECT_EQ(res.error, DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(LineIndexTest, ReadErrorEndsTheBuildAsCancelledWithTheSystemError) {
  const std::wstring p = Make("a\r\nb\r\nc\r\n");
  FaultFiles faults;
  faults.FailAt(Op::Read, 2, ERROR_CRC);
  ScopedFiles scope(faults);
  engine::LineIndexResult res;
  const Recs got = Build(p, 0, true, false, 3, 1, &res);
  EXPECT_TRUE(res.cancelled);
  EXPECT_EQ(res.error, DWORD(ERROR_CRC));
  EXPECT_EQ(got.v.back(), (std::pair<int64_t, int64_t>{0, 9}));  // the trailer, no final record
}

TEST_F(LineIndexTest, RunningOutOfMemoryEndsTheBuildAsCancelled) {
  std::string s;
  for (size_t i = 0; i < CheckpointList::kBlock + 10; ++i) s += "x\r\n";
  const std::wstring p = Make(s);
  CheckpointList::BlockLimit = 1;
  engine::LineIndexResult res;
  const Recs got = Build(p, 0, true, false, 1u << 20, 1, &res);
  CheckpointList::BlockLimit = 0;
  EXPECT_TRUE(res.cancelled);
  EXPECT_EQ(res.error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_LE(got.v.size(), CheckpointList::kBlock);
}

TEST(LineIndexInterval, Thresholds) {
  EXPECT_EQ(engine::IntervalForSize(0), 2000);
  EXPECT_EQ(engine::IntervalForSize(1073744924ll), 2000);
  EXPECT_EQ(engine::IntervalForSize(1073744925ll), 3000);
  EXPECT_EQ(engine::IntervalForSize(53688098041ll), 3000);
  EXPECT_EQ(engine::IntervalForSize(53688098042ll), 4000);
}

TEST(LineIndexRecords, GrowInBlocksBeyondOne) {
  CheckpointList l;
  for (int64_t i = 0; i < int64_t(CheckpointList::kBlock) * 3 + 5; ++i) ASSERT_TRUE(l.Append({i, i * 2}));
  EXPECT_EQ(l.size(), CheckpointList::kBlock * 3 + 5);
  EXPECT_EQ(l[CheckpointList::kBlock + 1].Offset, int64_t(CheckpointList::kBlock + 1) * 2);
  CheckpointList c;
  ASSERT_TRUE(l.CopyTo(c));
  EXPECT_EQ(c.back().Lines, l.back().Lines);
}

TEST_F(LineIndexTest, LookupsMatchNaiveScanForEveryLineAndOffset) {
  std::mt19937 g(11);
  for (int round = 0; round < 48; ++round) {
    const int code = round % 2 ? 1 : 0;
    const bool wide = code == 1, be = wide && (round / 2) % 2, lone = (round / 4) % 2;
    std::string s;
    if (round % 3 == 0) s = wide ? (be ? std::string("\0\r\0\n", 4) : std::string("\r\0\n\0", 4)) : "\r\n";
    s += RandomText(g, 20 + g() % 60, wide, be);
    if (round % 5 == 0) s += wide ? (be ? std::string("\0\r\0\n", 4) : std::string("\r\0\n\0", 4)) : "\r\n";
    const std::wstring p = Make(s);
    // Without marks; with the builder's marks every few bytes; with marks
    // that the lookups' own walks take as they go.
    for (int marking = 0; marking < 3; ++marking) {
      CheckpointList idx;
      engine::LineMarks marks;
      Sink sink;
      LineIndexOptions o;
      o.textCode = code;
      o.littleEndian = !be;
      o.lone = lone;
      o.chunk = 7;
      o.interval = marking == 1 ? 50 : 3;
      o.markSpacing = 4;
      ASSERT_FALSE(engine::BuildLineIndex(p, o, 100, sink, idx, marking == 1 ? &marks : nullptr).cancelled);
      if (marking == 1 && s.size() > 16) {
        EXPECT_FALSE(marks.empty());
      }
      engine::LineLookup look;
      look.path = p;
      look.rule = engine::RuleFor(code, !be, lone);
      look.chunk = 5;
      if (marking > 0) {
        look.marks = &marks;
        look.markSpacing = 3;
      }
      const Naive n = NaiveCount(s, wide, be, lone);
      const int64_t total = int64_t(n.ends.size());
      const std::string where = "round " + std::to_string(round) + " marking " + std::to_string(marking);
      for (int64_t t = -1; t <= total + 1; ++t) {
        const auto r = engine::LineToOffset(idx, look, t);
        const bool want = t >= 0 && t <= total;
        ASSERT_EQ(r.found, want) << where << " line " << t;
        if (want) {
          EXPECT_EQ(r.value, t == 0 ? 0 : n.ends[t - 1]) << where << " line " << t;
        }
      }
      const size_t u = wide ? 2 : 1;
      for (size_t pos = 0; pos <= s.size(); pos += u) {
        int64_t want = 0;
        for (int64_t e : n.ends) want += e <= int64_t(pos);
        const auto r = engine::OffsetToLine(idx, look, int64_t(pos));
        ASSERT_TRUE(r.found);
        EXPECT_EQ(r.value, want) << where << " offset " << pos;
      }
      // Every mark counts the line ends that end at or before it.
      for (size_t i = 0; i < marks.size(); ++i) {
        int64_t want = 0;
        for (int64_t e : n.ends) want += e <= marks[i].Offset;
        EXPECT_EQ(marks[i].Lines, want) << where << " mark at " << marks[i].Offset;
      }
    }
  }
}

// Reads pass through to the system and are counted.
class CountingFiles : public FaultFiles {
 public:
  int64_t bytes = 0;
  bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) override {
    const bool ok = FaultFiles::Read(h, buf, len, done);
    if (ok) bytes += *done;
    return ok;
  }
};

// 4000 short lines, a stretch of 3 GiB without a line end (a hole of the file
// system), 4000 short lines.
TEST_F(LineIndexTest, JumpsPastGigabytesWithoutLineEndsReadABoundedStretchOrShowProgress) {
  const std::string head = Lines(0, 3999);
  std::vector<std::string> tailLines;
  std::string tail;
  for (int i = 0; i < 4000; ++i) {
    tailLines.push_back("m" + std::to_string(i) + "\r\n");
    tail += tailLines.back();
  }
  const int64_t stretch = int64_t(3) << 30;
  const int64_t tailAt = int64_t(head.size()) + stretch;
  const std::wstring p = dir_ + L"\\sparse.txt";
  {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h, head.data(), DWORD(head.size()), &done, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = tailAt;
    ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(h, tail.data(), DWORD(tail.size()), &done, nullptr));
    CloseHandle(h);
  }
  const int64_t size = tailAt + int64_t(tail.size());
  // Line 4000 starts after the head, runs through the stretch and ends after "m0".
  auto startOf = [&](int64_t line) {
    if (line <= 4000) return line == 4000 ? int64_t(head.size()) : -1;
    int64_t at = tailAt;
    for (int64_t k = 0; k < line - 4000; ++k) at += int64_t(tailLines[size_t(k)].size());
    return at;
  };
  CheckpointList idx;
  engine::LineMarks marks;
  Sink buildSink;
  ASSERT_FALSE(engine::BuildLineIndex(p, LineIndexOptions(), size, buildSink, idx, &marks).cancelled);
  EXPECT_GE(int64_t(marks.size()), stretch / engine::MarkSpacing(size) - 1);
  const int64_t bound = int64_t(64) << 20;

  CountingFiles counting;
  ScopedFiles use(counting);
  Sink walkSink;
  engine::LineLookup look;
  look.path = p;
  look.rule = engine::RuleFor(0, true, false);
  look.marks = &marks;
  look.progress = &walkSink;
  for (int64_t line : {4001, 4002, 5999, 6000, 6001, 7990, 7999}) {
    counting.bytes = 0;
    const auto r = engine::LineToOffset(idx, look, line);
    ASSERT_TRUE(r.found) << line;
    EXPECT_EQ(r.value, startOf(line)) << line;
    EXPECT_LE(counting.bytes, bound) << line;
  }
  for (int64_t offset : {tailAt - 1, tailAt, int64_t(head.size()) + stretch / 2, tailAt + 3}) {
    counting.bytes = 0;
    const auto r = engine::OffsetToLine(idx, look, offset);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.value, offset < tailAt + 4 ? 4000 : 4001) << offset;
    EXPECT_LE(counting.bytes, bound) << offset;
  }
  EXPECT_EQ(walkSink.maximum, -1);  // no walk needed progress

  // The stored list holds the records alone, in the one format; it passes the
  // validation and, loaded (as a list written before marks existed loads: no
  // marks), jumps exactly. A walk through the stretch then shows progress and
  // stops at the sink's word after a block.
  const std::wstring listPath = dir_ + L"\\list7.txg";
  ASSERT_TRUE(engine::WriteLineListFile(listPath, idx, nullptr));
  EXPECT_EQ(engine::LineListFileCount(listPath), int64_t(idx.size()));
  CheckpointList loaded;
  ASSERT_EQ(engine::ReadLineListFile(listPath, size, loaded, nullptr), engine::LineListRead::Ok);
  EXPECT_EQ(Of(loaded), Of(idx));
  engine::LineMarks none;
  look.marks = &none;
  Sink stopping;
  stopping.stopAfter = 3;
  look.progress = &stopping;
  counting.bytes = 0;
  auto r = engine::LineToOffset(loaded, look, 4001);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.found);
  EXPECT_GT(stopping.maximum, bound);
  EXPECT_EQ(stopping.asks, 3);
  EXPECT_LE(counting.bytes, 4 << 20);
  // Unstopped it lands on the line, and the marks it took bound the next jumps.
  Sink patient;
  look.progress = &patient;
  r = engine::LineToOffset(loaded, look, 4001);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.value, startOf(4001));
  EXPECT_GT(patient.steps, 0);
  EXPECT_GE(int64_t(none.size()), stretch / engine::MarkSpacing(size) - 1);
  counting.bytes = 0;
  Sink after;
  look.progress = &after;
  r = engine::LineToOffset(loaded, look, 4500);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.value, startOf(4500));
  EXPECT_LE(counting.bytes, bound);
  EXPECT_EQ(after.maximum, -1);
}

TEST_F(LineIndexTest, LookupsWithoutRecordsOrNegativeFindNothing) {
  const std::wstring p = Make("a\r\nb");
  CheckpointList empty;
  engine::LineLookup look;
  look.path = p;
  EXPECT_FALSE(engine::LineToOffset(empty, look, 0).found);
  EXPECT_FALSE(engine::OffsetToLine(empty, look, 0).found);
}

TEST_F(LineIndexTest, ShiftMovesCheckpointsBehindThePivotOnly) {
  CheckpointList l;
  for (auto r : {LineCheckpoint{0, 1}, LineCheckpoint{2, 10}, LineCheckpoint{4, 30}, LineCheckpoint{5, 40},
                 LineCheckpoint{0, 40}})
    l.Append(r);
  engine::ShiftLineIndex(l, 20, -15);
  EXPECT_EQ(Of(l), (Recs{{{0, 1}, {2, 10}, {4, 20}, {5, 25}, {0, 40}}}));
}

// ---- line-list files

std::string Le64(int64_t v) {
  std::string s;
  for (int i = 0; i < 8; ++i) s += char(uint64_t(v) >> (8 * i));
  return s;
}
std::string ListBytes(const Recs& r) {
  std::string s;
  for (auto& p : r.v) s += Le64(p.first) + Le64(p.second);
  return s;
}
CheckpointList ListOf(const Recs& r) {
  CheckpointList l;
  for (auto& p : r.v) l.Append({p.first, p.second});
  return l;
}

TEST_F(LineIndexTest, ListFileRoundTripEqualsHandBuiltBytes) {
  const Recs recs{{{0, 1}, {2, 9}, {3, 12}, {1, 12}}};
  const std::wstring p = dir_ + L"\\list0.txg";
  DWORD err = 1;
  ASSERT_TRUE(engine::WriteLineListFile(p, ListOf(recs), &err));
  EXPECT_EQ(err, 0u);
  EXPECT_EQ(testsupport::ReadBytes(p), ListBytes(recs));
  EXPECT_EQ(engine::LineListFileCount(p), 4);
  CheckpointList back;
  ASSERT_EQ(engine::ReadLineListFile(p, 12, back, &err), engine::LineListRead::Ok);
  EXPECT_EQ(Of(back), recs);
  EXPECT_TRUE(testsupport::ReadBytes(p + L".new").empty());
}

TEST_F(LineIndexTest, FortyBytesGiveTwoRecords) {
  const std::wstring p = Make(ListBytes(Recs{{{0, 1}, {1, 50}}}) + "12345678", L"list1.txg");
  CheckpointList back;
  ASSERT_EQ(engine::ReadLineListFile(p, 50, back, nullptr), engine::LineListRead::Ok);
  EXPECT_EQ(back.size(), 2u);
  EXPECT_EQ(back.back().Lines, 1);
  EXPECT_EQ(engine::LineListFileCount(p), 2);
}

TEST_F(LineIndexTest, EveryValidationFailureRefusesTheList) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"too short", ListBytes(Recs{{{0, 1}}}) + "1234"},
      {"record 0 not {0,1}", ListBytes(Recs{{{0, 0}, {2, 9}, {3, 12}, {0, 12}}})},
      {"lines decrease", ListBytes(Recs{{{0, 1}, {4, 9}, {3, 12}, {0, 12}}})},
      {"offsets decrease", ListBytes(Recs{{{0, 1}, {2, 9}, {3, 8}, {0, 12}}})},
      {"checkpoints not strictly ascending", ListBytes(Recs{{{0, 1}, {2, 9}, {2, 9}, {3, 12}, {0, 12}}})},
      {"offset beyond the file", ListBytes(Recs{{{0, 1}, {2, 9}, {3, 13}, {0, 12}}})},
      {"switch not 0 or 1", ListBytes(Recs{{{0, 1}, {2, 9}, {3, 12}, {2, 12}}})},
      {"size differs", ListBytes(Recs{{{0, 1}, {2, 9}, {3, 12}, {0, 13}}})},
      {"marked stale", ListBytes(Recs{{{0, 1}, {2, 9}, {3, 12}, {0, -1}}})},
  };
  for (const Case& c : cases) {
    const std::wstring p = Make(c.bytes, L"list2.txg");
    CheckpointList back;
    back.Append({5, 5});
    EXPECT_EQ(engine::ReadLineListFile(p, 12, back, nullptr), engine::LineListRead::Invalid) << c.name;
    EXPECT_TRUE(back.empty()) << c.name;
  }
  // The final record of an empty file.
  const std::wstring p = Make(ListBytes(Recs{{{0, 1}, {0, 0}, {0, 0}}}), L"list3.txg");
  CheckpointList back;
  EXPECT_EQ(engine::ReadLineListFile(p, 0, back, nullptr), engine::LineListRead::Ok);
  DWORD err = 0;
  EXPECT_EQ(engine::ReadLineListFile(dir_ + L"\\none.txg", 0, back, &err), engine::LineListRead::Failed);
  EXPECT_EQ(err, DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(LineIndexTest, MarkStaleMakesAnEqualSizeListFailValidation) {
  const Recs recs{{{0, 1}, {2, 9}, {3, 12}, {1, 12}}};
  const std::wstring p = Make(ListBytes(recs) + "xyz", L"list4.txg");
  ASSERT_TRUE(engine::MarkLineListStale(p));
  CheckpointList back;
  EXPECT_EQ(engine::ReadLineListFile(p, 12, back, nullptr), engine::LineListRead::Invalid);
  EXPECT_EQ(testsupport::ReadBytes(p).substr(48, 8), Le64(1));
  EXPECT_EQ(testsupport::ReadBytes(p).substr(56, 8), Le64(-1));
}

TEST_F(LineIndexTest, WriteFaultsLeaveTheOldListIntactAndReportTheError) {
  const Recs old{{{0, 1}, {0, 5}, {0, 5}}};
  CheckpointList fresh;
  for (int i = 0; i < 3000; ++i) fresh.Append({i, i + 1});
  struct Case {
    const char* name;
    std::function<void(FaultFiles&)> arm;
    DWORD error;
  };
  const Case cases[] = {
      {"write error", [](FaultFiles& f) { f.FailAt(Op::Write, 2, ERROR_WRITE_FAULT); }, ERROR_WRITE_FAULT},
      {"disk full", [](FaultFiles& f) { f.diskSpace = 20000; }, ERROR_DISK_FULL},
      {"create fails", [](FaultFiles& f) { f.FailAt(Op::Open, 1, ERROR_ACCESS_DENIED); }, ERROR_ACCESS_DENIED},
      {"replace fails", [](FaultFiles& f) { f.FailAt(Op::Replace, 1, ERROR_SHARING_VIOLATION); },
       ERROR_SHARING_VIOLATION},
  };
  for (const Case& c : cases) {
    const std::wstring p = Make(ListBytes(old), L"list5.txg");
    FaultFiles faults;
    c.arm(faults);
    DWORD err = 0;
    {
      ScopedFiles scope(faults);
      EXPECT_FALSE(engine::WriteLineListFile(p, fresh, &err)) << c.name;
    }
    EXPECT_EQ(err, c.error) << c.name;
    EXPECT_EQ(testsupport::ReadBytes(p), ListBytes(old)) << c.name;
    bool there = true;
    testsupport::ReadBytes(p + L".new", &there);
    EXPECT_FALSE(there) << c.name;
  }
  // Short writes are finished by repeating.
  const std::wstring p = Make(ListBytes(old), L"list6.txg");
  FaultFiles faults;
  faults.maxWrite = 7;
  ScopedFiles scope(faults);
  ASSERT_TRUE(engine::WriteLineListFile(p, fresh, nullptr));
  EXPECT_EQ(engine::LineListFileCount(p), 3000);
}

TEST(LineListName, OnlyListDigitsTxg) {
  for (const wchar_t* ok : {L"list0.txg", L"LIST12.TXG", L"List3.Txg"}) EXPECT_TRUE(engine::IsLineListName(ok)) << ok;
  for (const wchar_t* bad : {L"list.txg", L"lista.txg", L"list1.txt", L"..\\list1.txg", L"xlist1.txg", L"list1.txg.new", L""})
    EXPECT_FALSE(engine::IsLineListName(bad)) << bad;
}

}  // namespace
