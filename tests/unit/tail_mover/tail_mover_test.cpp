// The tail mover on real files under wine: a table of edits (insertions,
// deletions, replacements; tails around the block size; offsets at the start,
// after a mark, in the middle and at the end) checked against head + new +
// tail, and the same table under injected faults, where the file must end
// byte-equal to the original (or to the result when the fault came too late to
// matter) and nothing that failed may be reported done.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TailMover.h"
#include "framework/FileOps.h"
#include "support/journal_support.h"
#include "support/paths.h"

using engine::ReplaceRange;
using engine::TailMoveOptions;
using engine::TailMoveOutcome;
using engine::TailMoveStatus;
using fileops::FaultFiles;
using fileops::Op;
using fileops::ScopedFiles;

namespace {

// Counts the sink's calls; stops at the stopAt-th stop question (0: never).
class FakeSink : public engine::ProgressSink {
 public:
  int stopAt = 0;
  int questions = 0, steps = 0, maxima = 0;
  int64_t maximum = -1, last = -1;
  void SetMaximum(int64_t m) override {
    ++maxima;
    maximum = m;
  }
  void Step(int64_t p) override {
    ++steps;
    last = p;
  }
  bool ShouldStop() override { return ++questions == stopAt; }
};

using testsupport::Pattern;

struct Row {
  size_t head, old, tail;
  std::string added;
  uint32_t block;
};

std::string Describe(const Row& r) {
  return "head " + std::to_string(r.head) + " old " + std::to_string(r.old) + " new " +
         std::to_string(r.added.size()) + " tail " + std::to_string(r.tail) + " block " + std::to_string(r.block);
}

// Insertions of 1, 2 and more than the tail, deletions of 1, 2 and more than
// the tail, and replacements that grow, shrink or keep the length, at offsets
// 0, 3 (behind a mark), 20 (middle); a tail of 0 is the end of the file.
std::vector<Row> Rows(uint32_t b, bool all) {
  std::vector<Row> rows;
  const size_t tails[] = {0, 1, b - 1u, b, b + 1u, 3u * b};
  const size_t heads[] = {0, 3, 20};
  for (size_t t : tails) {
    const std::string more = Pattern(t + 5, 99);
    for (size_t h : heads) {
      if (!all && h == 3) continue;
      rows.push_back({h, 0, t, "\r", b});
      rows.push_back({h, 0, t, "\r\n", b});
      rows.push_back({h, 0, t, more, b});
      rows.push_back({h, 1, t, "", b});
      rows.push_back({h, 2, t, "", b});
      rows.push_back({h, t + 5, t, "", b});
      if (!all) continue;
      rows.push_back({h, 3, t, "ABCDEFG", b});
      rows.push_back({h, 7, t, "xyz", b});
      rows.push_back({h, 4, t, "WXYZ", b});
    }
  }
  return rows;
}

class TailMoverTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeTempDir(L"tm");
    ASSERT_FALSE(dir_.empty());
    path_ = dir_ + L"\\f.txt";
  }

  // The file's bytes before and after the edit of a row.
  static std::string Before(const Row& r) { return Pattern(r.head, 1) + Pattern(r.old, 2) + Pattern(r.tail, 3); }
  static std::string After(const Row& r) { return Pattern(r.head, 1) + r.added + Pattern(r.tail, 3); }

  // Writes the row's file and runs the edit on it (through whatever seam is in place).
  TailMoveOutcome Run(const Row& r, engine::ProgressSink& sink, TailMoveOptions o = {}) {
    EXPECT_TRUE(testsupport::WriteBytes(path_, Before(r)));
    o.blockSize = r.block;
    if (o.tempFolder.empty()) o.tempFolder = dir_ + L"\\";
    fileops::File f;
    EXPECT_TRUE(f.Open(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL));
    return ReplaceRange(f.get(), r.head, r.old, r.added.data(), r.added.size(), sink, o);
  }

  std::string File() const { return testsupport::ReadBytes(path_); }

  // Files in the folder besides the edited one (temporary files left behind).
  int Leftovers() const {
    WIN32_FIND_DATAW fd;
    HANDLE s = FindFirstFileW((dir_ + L"\\*").c_str(), &fd);
    int n = 0;
    if (s == INVALID_HANDLE_VALUE) return 0;
    do {
      const std::wstring name = fd.cFileName;
      if (name != L"." && name != L".." && name != L"f.txt") ++n;
    } while (FindNextFileW(s, &fd));
    FindClose(s);
    return n;
  }

  // A fault run ended: the file is the original (not done) or the result (done).
  void ExpectWhole(const Row& r, const TailMoveOutcome& o, const std::string& what) {
    SCOPED_TRACE(Describe(r) + " " + what);
    ASSERT_NE(o.status, TailMoveStatus::Damaged);
    EXPECT_EQ(File(), o.done() ? After(r) : Before(r));
    EXPECT_EQ(Leftovers(), 0);
  }

  std::wstring dir_, path_;
};

TEST_F(TailMoverTest, EditsGiveHeadNewTail) {
  for (uint32_t b : {16u, 1u << 20}) {
    for (const Row& r : Rows(b, b == 16)) {
      SCOPED_TRACE(Describe(r));
      FakeSink sink;
      const TailMoveOutcome o = Run(r, sink);
      ASSERT_EQ(o.status, TailMoveStatus::Done);
      EXPECT_EQ(o.error, 0u);
      EXPECT_EQ(File(), After(r));
      // One maximum; one step per block (plus the closing one); a stop question
      // after each block but the last.
      const int64_t moved = r.added.size() == r.old ? 0 : r.tail;
      const int blocks = static_cast<int>((moved + b - 1) / b);
      EXPECT_EQ(sink.maxima, 1);
      EXPECT_EQ(sink.maximum, moved);
      EXPECT_EQ(sink.steps, blocks + 1);
      EXPECT_EQ(sink.last, moved);
      EXPECT_EQ(sink.questions, std::max(0, blocks - 1));
    }
  }
}

TEST_F(TailMoverTest, RangesOutsideTheFileChangeNothing) {
  const std::string original = "0123456789";
  struct Bad {
    int64_t start, old;
  } cases[] = {{-1, 0}, {11, 0}, {5, 6}, {0, -1}, {12, 1}};
  for (const Bad& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + "+" + std::to_string(c.old));
    ASSERT_TRUE(testsupport::WriteBytes(path_, original));
    fileops::File f;
    ASSERT_TRUE(f.Open(path_, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    engine::NullProgress sink;
    const TailMoveOutcome o = ReplaceRange(f.get(), c.start, c.old, "ab", 2, sink);
    f.Close();
    EXPECT_EQ(o.status, TailMoveStatus::Refused);
    EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(File(), original);
  }
}

// The nth read, write, seek (every n until the fault is no longer reached),
// and short reads and writes. The file ends whole; a fault that struck is
// reported with its error.
TEST_F(TailMoverTest, FaultTableLeavesTheFileWhole) {
  const Op ops[] = {Op::Write, Op::Read, Op::Seek};
  for (const Row& r : Rows(16, false)) {
    for (Op op : ops) {
      for (int k = 1;; ++k) {
        FaultFiles faults;
        faults.FailAt(op, k, ERROR_CRC);
        FakeSink sink;
        TailMoveOutcome o;
        {
          ScopedFiles use(faults);
          o = Run(r, sink);
        }
        const bool struck = faults.Calls(op) >= k;
        ExpectWhole(r, o, "op " + std::to_string(static_cast<int>(op)) + " fails at " + std::to_string(k));
        if (!struck) {
          EXPECT_TRUE(o.done());
          break;
        }
        EXPECT_FALSE(o.done());
        EXPECT_TRUE(o.status == TailMoveStatus::Failed || o.status == TailMoveStatus::Refused);
        EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_CRC));
        ASSERT_LT(k, 400);
      }
    }
    for (DWORD cut : {1u, 3u}) {
      FaultFiles faults;
      faults.maxRead = cut;
      faults.maxWrite = cut;
      FakeSink sink;
      TailMoveOutcome o;
      {
        ScopedFiles use(faults);
        o = Run(r, sink);
      }
      ExpectWhole(r, o, "short reads and writes");
      EXPECT_TRUE(o.done());
    }
  }
}

TEST_F(TailMoverTest, StopAtBlockKRollsBack) {
  for (const Row& r : Rows(16, false)) {
    for (int k = 1;; ++k) {
      FakeSink sink;
      sink.stopAt = k;
      const TailMoveOutcome o = Run(r, sink);
      ExpectWhole(r, o, "stop at " + std::to_string(k));
      if (sink.questions < k) {
        EXPECT_TRUE(o.done());
        break;
      }
      EXPECT_EQ(o.status, TailMoveStatus::Aborted);
      EXPECT_EQ(o.error, 0u);
    }
  }
}

// A full disk: an extension that does not fit, the kept bytes' temporary file
// that does not fit, and a failing SetEnd (extension or cut).
TEST_F(TailMoverTest, FullDiskRefusesOrRollsBack) {
  for (const Row& r : Rows(16, true)) {
    {
      FaultFiles faults;
      faults.overwritesTakeSpace = false;
      faults.diskSpace = 1;
      FakeSink sink;
      TailMoveOutcome o;
      {
        ScopedFiles use(faults);
        o = Run(r, sink);
      }
      ExpectWhole(r, o, "disk space 1");
      if (r.added.size() > r.old + 1) {
        EXPECT_EQ(o.status, TailMoveStatus::Refused);
        EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_DISK_FULL));
        EXPECT_EQ(sink.maxima, 0);  // no work started
      } else {
        EXPECT_TRUE(o.done());
      }
    }
    {
      FaultFiles faults;
      faults.FailAt(Op::SetEnd, 1, ERROR_DISK_FULL);
      FakeSink sink;
      TailMoveOutcome o;
      {
        ScopedFiles use(faults);
        o = Run(r, sink);
      }
      ExpectWhole(r, o, "SetEnd fails");
      if (r.added.size() == r.old) {
        EXPECT_TRUE(o.done());
      } else {
        EXPECT_EQ(o.status, r.added.size() > r.old ? TailMoveStatus::Refused : TailMoveStatus::Failed);
        EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_DISK_FULL));
      }
    }
  }
}

// Kept bytes above the memory cap go to a temporary file beside the edited one.
TEST_F(TailMoverTest, LargeKeptBytesGoThroughATemporaryFile) {
  for (const Row& r : Rows(16, true)) {
    const size_t keptLength = std::min(r.old, r.added.size() + r.tail);
    if (keptLength < 2) continue;
    TailMoveOptions small;
    small.memoryCap = 1;
    {
      FaultFiles faults;
      FakeSink sink;
      TailMoveOutcome o;
      {
        ScopedFiles use(faults);
        o = Run(r, sink, small);
      }
      ExpectWhole(r, o, "through the temporary file");
      EXPECT_TRUE(o.done());
      EXPECT_EQ(faults.Calls(Op::Delete), 1);
    }
    for (int k = 1;; ++k) {
      FakeSink sink;
      sink.stopAt = k;
      const TailMoveOutcome o = Run(r, sink, small);
      ExpectWhole(r, o, "temporary file, stop at " + std::to_string(k));
      if (sink.questions < k) break;
      EXPECT_EQ(o.status, TailMoveStatus::Aborted);
    }
    for (int k = 1;; ++k) {
      FaultFiles faults;
      faults.FailAt(Op::Write, k, ERROR_CRC);
      FakeSink sink;
      TailMoveOutcome o;
      {
        ScopedFiles use(faults);
        o = Run(r, sink, small);
      }
      ExpectWhole(r, o, "temporary file, write fails at " + std::to_string(k));
      if (faults.Calls(Op::Write) < k) break;
      EXPECT_FALSE(o.done());
      ASSERT_LT(k, 400);
    }
    {
      // The temporary file does not fit: refused, nothing changed, nothing left.
      FaultFiles faults;
      faults.overwritesTakeSpace = false;
      faults.diskSpace = static_cast<int64_t>(keptLength) - 1;
      FakeSink sink;
      TailMoveOutcome o;
      {
        ScopedFiles use(faults);
        o = Run(r, sink, small);
      }
      ExpectWhole(r, o, "temporary file does not fit");
      EXPECT_EQ(o.status, TailMoveStatus::Refused);
      EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_DISK_FULL));
      EXPECT_EQ(sink.maxima, 0);
    }
  }
}

// Every write fails from the kth on, so the rollback fails too: the outcome
// names a range outside which the file is still the original.
TEST_F(TailMoverTest, FailedRollbackNamesTheDamagedRange) {
  int damaged = 0;
  for (const Row& r : Rows(16, true)) {
    for (bool viaTemp : {false, true}) {
      TailMoveOptions o;
      if (viaTemp) o.memoryCap = 0;
      for (int k = 1;; ++k) {
        FaultFiles faults;
        faults.FailAt(Op::Write, k, ERROR_CRC, true);
        FakeSink sink;
        TailMoveOutcome out;
        {
          ScopedFiles use(faults);
          out = Run(r, sink, o);
        }
        if (faults.Calls(Op::Write) < k) {
          EXPECT_TRUE(out.done());
          break;
        }
        SCOPED_TRACE(Describe(r) + " every write from " + std::to_string(k));
        ASSERT_FALSE(out.done());
        const std::string before = Before(r), now = File();
        if (out.status != TailMoveStatus::Damaged) {
          EXPECT_EQ(now, before);
          continue;
        }
        ++damaged;
        EXPECT_EQ(out.error, static_cast<DWORD>(ERROR_CRC));
        ASSERT_LE(0, out.damageStart);
        ASSERT_LE(out.damageStart, out.damageEnd);
        const size_t s = static_cast<size_t>(out.damageStart), e = static_cast<size_t>(out.damageEnd);
        EXPECT_EQ(now.substr(0, s), before.substr(0, s));
        EXPECT_LE(now.size(), e > before.size() ? e : before.size());
        if (now.size() > e) EXPECT_EQ(now.substr(e), before.substr(e));
        if (!out.keptCopy.empty()) {
          // The kept original bytes survive in the temporary file.
          EXPECT_EQ(testsupport::ReadBytes(out.keptCopy),
                    before.substr(static_cast<size_t>(out.keptStart), static_cast<size_t>(out.keptLength)));
          DeleteFileW(out.keptCopy.c_str());
        }
        ASSERT_LT(k, 400);
      }
    }
  }
  EXPECT_GT(damaged, 0);
}

// Sizes come from the handle: a directory entry that lies changes nothing.
TEST_F(TailMoverTest, DirectoryEntrySizeIsNotUsed) {
  FaultFiles faults;
  faults.onFind = [](const std::wstring&, WIN32_FIND_DATAW& fd) {
    fd.nFileSizeLow = 7;
    fd.nFileSizeHigh = 1;
  };
  for (const Row& r : Rows(16, false)) {
    FakeSink sink;
    TailMoveOutcome o;
    {
      ScopedFiles use(faults);
      o = Run(r, sink);
    }
    ExpectWhole(r, o, "lying directory entry");
    EXPECT_TRUE(o.done());
  }
}

// A sparse file of 4 GiB + 100 bytes with markers near its end: the markers
// move by exactly the bytes inserted or removed.
TEST_F(TailMoverTest, EditsNearTheEndOfAFileAbove4GiB) {
  const std::wstring big = L"Z:\\dev\\shm\\vastrel_tm_" + std::to_wstring(GetCurrentProcessId()) + L".bin";
  const int64_t size = (int64_t{1} << 32) + 100;
  HANDLE h = CreateFileW(big.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  auto at = [&](int64_t pos) {
    LARGE_INTEGER li;
    li.QuadPart = pos;
    return SetFilePointerEx(h, li, nullptr, FILE_BEGIN);
  };
  auto read = [&](int64_t pos, size_t n) {
    std::string s(n, '\0');
    DWORD got = 0;
    at(pos);
    ReadFile(h, &s[0], static_cast<DWORD>(n), &got, nullptr);
    s.resize(got);
    return s;
  };
  ASSERT_TRUE(at(size));
  ASSERT_TRUE(SetEndOfFile(h));
  const std::string marks = "<head>" + std::string(80, '.') + "<tail>";  // 92 bytes
  const int64_t markAt = size - 92;
  ASSERT_TRUE(at(markAt));
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(h, marks.data(), 92, &done, nullptr));
  engine::NullProgress sink;
  TailMoveOptions o;
  o.blockSize = 32;

  // Insert 3 bytes just behind "<head>".
  ASSERT_TRUE(ReplaceRange(h, markAt + 6, 0, "abc", 3, sink, o).done());
  EXPECT_EQ(fileops::Files().Size(h), size + 3);
  EXPECT_EQ(read(markAt, 9), "<head>abc");
  EXPECT_EQ(read(size + 3 - 6, 6), "<tail>");
  // Delete them again and 5 dots more.
  ASSERT_TRUE(ReplaceRange(h, markAt + 6, 8, nullptr, 0, sink, o).done());
  EXPECT_EQ(fileops::Files().Size(h), size - 5);
  EXPECT_EQ(read(markAt, 6), "<head>");
  EXPECT_EQ(read(size - 5 - 81, 81), std::string(75, '.') + "<tail>");
  // An abort restores the size and the markers.
  FakeSink stop;
  stop.stopAt = 1;
  EXPECT_EQ(ReplaceRange(h, markAt, 0, "0123456789", 10, stop, o).status, TailMoveStatus::Aborted);
  EXPECT_EQ(fileops::Files().Size(h), size - 5);
  EXPECT_EQ(read(markAt, 6), "<head>");
  EXPECT_EQ(read(size - 5 - 6, 6), "<tail>");
  CloseHandle(h);
  DeleteFileW(big.c_str());
}

}  // namespace
