// The program's death at every point of an in-place operation: a small
// program (journal_victim) runs the real operation through the engine on a real
// file and ends its own process at the k-th call that changes a file, for every
// k until the operation runs to its end; a fresh process then recovers from the
// journal. The file must be byte-equal to the original or to the finished
// result, as the recovery says, with no journal or temporary file left.
//
// Ways to end: before the call; in the middle of a write (half of it on the
// disk); with every write since the file's last flush dropped (a power cut
// that loses the disk's cache); and after an abort, inside the rollback.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/FileConverter.h"
#include "engine/Journal.h"
#include "engine/TailMover.h"
#include "framework/FileOps.h"
#include "support/journal_support.h"
#include "support/paths.h"
#include "viewer/CodeConv.h"

namespace {

using testsupport::FilesIn;
using testsupport::Pattern;
using testsupport::RunVictim;

constexpr int64_t KiB = 1024, MiB = 1024 * 1024;
constexpr int64_t k4GiB = int64_t{4} << 30;

// Shift_JIS lines with kana and kanji, n bytes or a little more.
std::string SjisText(size_t n) {
  std::string s;
  for (int i = 0; s.size() < n; ++i)
    s += "\x82\xa0\x82\xa2\x8a\xbf\x8e\x9a line " + std::to_string(i) + "\r\n";
  return s;
}

struct Case {
  const char* name;
  const char* op;  // move, convert, copy
  int64_t base;    // a sparse hole before the file's bytes (0: none)
  int64_t head, old, added, tail;
  const char* modes;  // b before, t torn, l lost, a abort then before
  // Nonzero: the journal's flushes are slow (a disk), so that its segments
  // grow from kSegment up to this.
  uint32_t growTo = 0;
};

const Case kCases[] = {
    {"insert 2 bytes at 0", "move", 0, 0, 0, 2, 600 * KiB + 100, "btla"},
    {"insert 2 bytes in the middle", "move", 0, 300 * KiB, 0, 2, 500 * KiB, "ba"},
    {"insert 2 bytes 10 bytes from the end", "move", 0, 512 * KiB, 0, 2, 10, "b"},
    {"insert 3 MiB in the middle", "move", 0, 200 * KiB, 0, 3 * MiB, 512 * KiB, "b"},
    {"delete 1 byte at 0", "move", 0, 0, 1, 0, 512 * KiB, "bt"},
    {"delete 1 byte 10 bytes from the end", "move", 0, 512 * KiB, 1, 0, 9, "b"},
    {"delete 5 MiB in the middle", "move", 0, 100 * KiB, 5 * MiB, 0, 500 * KiB, "bl"},
    {"write-back growing", "move", 0, 50 * KiB, 1000, 5000, 600 * KiB, "bl"},
    {"write-back shrinking", "move", 0, 50 * KiB, 5000, 1000, 600 * KiB, "bla"},
    {"sparse file above 4 GiB", "move", k4GiB, 100 * KiB, 0, 2, 500 * KiB, "b"},
    {"insert 2 bytes at 0, segments growing", "move", 0, 0, 0, 2, 2200 * KiB, "bl", 1 * MiB},
    {"delete 1 byte at 0, segments growing", "move", 0, 0, 1, 0, 2200 * KiB, "b", 1 * MiB},
    {"conversion in place", "convert", 0, 0, 0, 0, 0, "bl"},
    {"copy over the file (undo)", "copy", 0, 0, 0, 0, 0, "bl"},
};

constexpr uint32_t kBlock = 128 * KiB, kSegment = 256 * KiB;

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool WriteAt(const std::wstring& path, int64_t at, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER p;
  p.QuadPart = at;
  DWORD n = 0;
  const bool ok = SetFilePointerEx(h, p, nullptr, FILE_BEGIN) &&
                  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
  CloseHandle(h);
  return ok;
}

// The file's size, and its bytes from `from` on.
std::string ReadFrom(const std::wstring& path, int64_t from, int64_t* size) {
  *size = -1;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  LARGE_INTEGER s, p;
  GetFileSizeEx(h, &s);
  *size = s.QuadPart;
  std::string out;
  if (s.QuadPart > from) {
    out.resize(static_cast<size_t>(s.QuadPart - from));
    p.QuadPart = from;
    DWORD n = 0;
    SetFilePointerEx(h, p, nullptr, FILE_BEGIN);
    ReadFile(h, &out[0], static_cast<DWORD>(out.size()), &n, nullptr);
    out.resize(n);
  }
  CloseHandle(h);
  return out;
}

// One case: its files, what the file must be before and after, and the runs.
class CaseRun {
 public:
  explicit CaseRun(const Case& c) : c_(c) {
    folder_ = testsupport::MakeTempDir(L"jr");
    file_ = folder_ + L"\\f.bin";
    const std::string op = c.op;
    if (op == "move") {
      original_ = Pattern(c.head, 1) + Pattern(c.old, 2) + Pattern(c.tail, 3);
      finished_ = Pattern(c.head, 1) + Pattern(c.added, 7) + Pattern(c.tail, 3);
    } else if (op == "convert") {
      original_ = SjisText(300 * KiB);
      finished_ = Converted(original_);
    } else {
      original_ = Pattern(400 * KiB, 1);
      finished_ = Pattern(300 * KiB, 9);
    }
  }

  // Runs every kill point of every mode; failures are collected as text.
  void RunAll() {
    for (const char* m = c_.modes; *m; ++m) RunMode(*m);
  }

  std::vector<std::string> failures;
  int finishedRecoveries = 0, originalRecoveries = 0, kills = 0;

 private:
  std::string Converted(const std::string& sjis) {
    const std::wstring src = folder_ + L"\\src.txt", dst = folder_ + L"\\dst.txt";
    WriteAt(src, 0, sjis);
    Cp932Platform platform;
    engine::ConvertRequest r;
    r.sourcePath = src;
    r.sourceCode = engine::ccShiftJis;
    r.targetPath = dst;
    r.targetCode = engine::ccUtf8;
    engine::NullProgress quiet;
    engine::ConvertFile(r, platform, quiet);
    int64_t size = 0;
    std::string out = ReadFrom(dst, 0, &size);
    DeleteFileW(src.c_str());
    DeleteFileW(dst.c_str());
    return out;
  }

  void Prepare() {
    for (const std::wstring& n : FilesIn(folder_ + L"\\j")) DeleteFileW((folder_ + L"\\j\\" + n).c_str());
    for (const std::wstring& n : FilesIn(folder_))
      if (n != L"j") DeleteFileW((folder_ + L"\\" + n).c_str());
    CreateDirectoryW((folder_ + L"\\j").c_str(), nullptr);
    WriteAt(file_, c_.base, original_);
    if (std::string(c_.op) == "copy") WriteAt(folder_ + L"\\b.bin", 0, finished_);
  }

  // "original", "finished" or what else the file is.
  std::string State() {
    int64_t size = 0;
    const int64_t from = c_.base ? c_.base - 4096 : 0;
    std::string bytes = ReadFrom(file_, from, &size);
    if (c_.base) {
      if (bytes.size() < 4096 || bytes.substr(0, 4096) != std::string(4096, '\0')) return "changed below the edit";
      bytes.erase(0, 4096);
    }
    if (size == c_.base + static_cast<int64_t>(original_.size()) && bytes == original_) return "original";
    if (size == c_.base + static_cast<int64_t>(finished_.size()) && bytes == finished_) return "finished";
    return "mixed (size " + std::to_string(size) + ")";
  }

  std::string Leftovers() {
    std::string s;
    for (const std::wstring& n : FilesIn(folder_))
      if (n != L"j" && n != L"f.bin" && n != L"b.bin") s += std::string(n.begin(), n.end()) + " ";
    for (const std::wstring& n : FilesIn(folder_ + L"\\j")) s += "j\\" + std::string(n.begin(), n.end()) + " ";
    return s;
  }

  void RunMode(char mode) {
    const std::string modeName = mode == 't' ? "torn" : mode == 'l' ? "lost" : "before";
    const int stopAt = mode == 'a' ? 2 : 0;
    const int64_t start = c_.base + c_.head;
    for (int k = 1; k < 1000; ++k) {
      Prepare();
      const std::string where = std::string(c_.name) + ", " + (mode == 'a' ? "abort, " : "") + modeName +
                                ", ended at call " + std::to_string(k);
      std::string out;
      const std::wstring args = L"run \"" + folder_ + L"\" " + Wide(c_.op) + L" " + std::to_wstring(start) + L" " +
                                std::to_wstring(c_.old) + L" " + std::to_wstring(c_.added) + L" " +
                                std::to_wstring(kBlock) + L" " + std::to_wstring(kSegment) +
                                (c_.growTo ? L":" + std::to_wstring(c_.growTo) : L"") + L" " + std::to_wstring(k) +
                                L" " + Wide(modeName) + L" " + std::to_wstring(stopAt);
      const int rc = RunVictim(args, &out);
      if (rc == 0) {
        // Ran to its end: the result, or the original after an abort.
        const std::string want = stopAt ? "original" : "finished";
        if (State() != want) failures.push_back(where + ": ran to its end, file " + State() + ", wanted " + want);
        // Slow flushes made the segments (and so the journal's copies) grow.
        if (c_.growTo && !stopAt && out.find("largest journal write " + std::to_string(c_.growTo)) == std::string::npos)
          failures.push_back(where + ": the segments did not grow to " + std::to_string(c_.growTo) + ": " + out);
        if (!Leftovers().empty()) failures.push_back(where + ": left " + Leftovers());
        if (k < 3) failures.push_back(where + ": ended after fewer than 3 calls");
        return;
      }
      if (rc != 77) {
        failures.push_back(where + ": exit code " + std::to_string(rc) + " " + out);
        return;
      }
      ++kills;
      std::string rout;
      const int rr = RunVictim(L"recover \"" + folder_ + L"\"", &rout);
      const std::string state = State();
      if (rr == 9) {
        // No journal to run: ended before its first record, or after the
        // operation had ended (the journal already emptied).
        if (state != "original" && state != "finished")
          failures.push_back(where + ": no journal to recover, file " + state + " " + rout);
      } else if (rr == 10) {
        ++originalRecoveries;
        if (state != "original") failures.push_back(where + ": recovery said original, file " + state + " " + rout);
      } else if (rr == 11) {
        ++finishedRecoveries;
        if (state != "finished") failures.push_back(where + ": recovery said finished, file " + state + " " + rout);
      } else {
        failures.push_back(where + ": recovery exit code " + std::to_string(rr) + " " + rout + ", file " + state);
      }
      // Between the creation of a new file and its journal's first record
      // the new file is still empty and no journal tells of it: it may stay.
      const std::string left = Leftovers();
      if (!left.empty() && !(rr == 9 && left.find("j\\") == std::string::npos))
        failures.push_back(where + ": left after recovery " + left);
    }
    failures.push_back(std::string(c_.name) + ": never ran to its end");
  }

  const Case& c_;
  std::wstring folder_, file_;
  std::string original_, finished_;
};

// The check of segment copies: the SSE2 way and the plain one agree at every
// length and alignment, and a copy with one page torn or stale fails it.
TEST(JournalRecovery, CopySumAgreesAndTellsTornCopies) {
  std::string data = Pattern(70 * KiB, 4);
  for (size_t offset = 0; offset < 16; offset += 3) {
    for (size_t length : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{4095}, size_t{65536} + 7}) {
      EXPECT_EQ(engine::CopySum(data.data() + offset, length, true), engine::CopySum(data.data() + offset, length, false))
          << offset << " " << length;
    }
  }
  const std::string segment = Pattern(64 * KiB, 5);
  const uint32_t sum = engine::CopySum(segment.data(), segment.size());
  std::string torn = segment;
  torn.replace(8 * 4096, 4096, std::string(4096, '\0'));  // a page that never reached the disk
  EXPECT_NE(engine::CopySum(torn.data(), torn.size()), sum);
  std::string stale = segment;
  stale.replace(3 * 4096, 4096, Pattern(4096, 6));  // a page of an older copy
  EXPECT_NE(engine::CopySum(stale.data(), stale.size()), sum);
  std::string swapped = segment;
  std::swap_ranges(swapped.begin(), swapped.begin() + 4096, swapped.begin() + 4096);  // two pages in each other's place
  if (swapped != segment) EXPECT_NE(engine::CopySum(swapped.data(), swapped.size()), sum);
}

TEST(JournalRecovery, EveryKillPointEndsOriginalOrFinished) {
  std::vector<std::unique_ptr<CaseRun>> runs;
  for (const Case& c : kCases) runs.emplace_back(new CaseRun(c));
  // Several cases at once: each has its own folder.
  std::mutex lock;
  size_t next = 0;
  auto worker = [&] {
    for (;;) {
      size_t i;
      {
        std::lock_guard<std::mutex> l(lock);
        if (next >= runs.size()) return;
        i = next++;
      }
      runs[i]->RunAll();
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(worker);
  for (auto& t : threads) t.join();
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(kCases[i].name);
    for (const std::string& f : runs[i]->failures) ADD_FAILURE() << f;
    EXPECT_GT(runs[i]->kills, 3);
    // The kills fell where the journal had work to do: a move is finished,
    // its rollback after an abort ends original, and so does a replacement
    // that had not yet taken place.
    EXPECT_GT(runs[i]->finishedRecoveries, 0);
    const bool back = std::string(kCases[i].modes).find('a') != std::string::npos || std::string(kCases[i].op) != "move";
    if (back) EXPECT_GT(runs[i]->originalRecoveries, 0);
  }
}

}  // namespace

// ---- faults of the journal itself

namespace {

class JournalFaults : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeTempDir(L"jf");
    journal_ = dir_ + L"\\j";
    CreateDirectoryW(journal_.c_str(), nullptr);
    file_ = dir_ + L"\\f.bin";
  }
  engine::TailMoveOutcome Insert(const std::string& bytes, const std::wstring& journalFolder) {
    fileops::File f;
    EXPECT_TRUE(f.Open(file_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
    engine::NullProgress quiet;
    engine::TailMoveOptions o;
    o.blockSize = kBlock;
    o.journalSegment = kSegment;
    o.journalSegmentMax = kSegment;
    o.journalFolder = journalFolder;
    o.filePath = file_;
    return engine::ReplaceRange(f.get(), 10, 0, "\r\n", 2, quiet, o);
  }
  // A move of the victim ended at call k, leaving its journal in dir_\j.
  void Interrupted(int k) {
    std::string out;
    ASSERT_EQ(RunVictim(L"run \"" + dir_ + L"\" move 100 0 2 " + std::to_wstring(kBlock) + L" " +
                             std::to_wstring(kSegment) + L" " + std::to_wstring(k) + L" before 0",
                         &out),
              77);
    ASSERT_EQ(FilesIn(journal_).size(), 1u);
  }
  std::string Bytes() {
    int64_t size = 0;
    return ReadFrom(file_, 0, &size);
  }
  std::wstring dir_, journal_, file_;
};

}  // namespace

// Full disk, a folder that refuses new files, a failing write or flush: the
// operation is refused before the file is touched, and no journal stays.
TEST_F(JournalFaults, JournalThatCannotBeWrittenRefusesTheEdit) {
  const std::string original = Pattern(700 * KiB, 4);
  struct Row {
    const char* what;
    fileops::Op op;
    DWORD error;
    int64_t diskSpace;
    bool missingFolder;
  } rows[] = {
      {"folder missing", fileops::Op::Count, 0, -1, true},
      {"folder refuses new files", fileops::Op::Open, ERROR_ACCESS_DENIED, -1, false},
      {"full disk", fileops::Op::Count, 0, 4096, false},
      {"journal write fails", fileops::Op::Write, ERROR_WRITE_FAULT, -1, false},
      {"journal flush fails", fileops::Op::Flush, ERROR_WRITE_FAULT, -1, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ASSERT_TRUE(WriteAt(file_, 0, original));
    fileops::FaultFiles faults;
    faults.overwritesTakeSpace = false;
    faults.diskSpace = r.diskSpace;
    fileops::File f;
    ASSERT_TRUE(f.Open(file_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
    if (r.op != fileops::Op::Count) faults.FailAt(r.op, 1, r.error);
    engine::TailMoveOutcome o;
    {
      fileops::ScopedFiles use(faults);
      engine::NullProgress quiet;
      engine::TailMoveOptions opt;
      opt.blockSize = kBlock;
      opt.journalSegment = kSegment;
      opt.journalSegmentMax = kSegment;
      opt.journalFolder = r.missingFolder ? dir_ + L"\\missing" : journal_;
      opt.filePath = file_;
      o = engine::ReplaceRange(f.get(), 10, 0, "\r\n", 2, quiet, opt);
    }
    f.Close();
    EXPECT_EQ(o.status, engine::TailMoveStatus::Refused);
    EXPECT_TRUE(o.journalFailed);
    EXPECT_NE(o.error, 0u);
    EXPECT_TRUE(Bytes() == original);
    EXPECT_TRUE(FilesIn(journal_).empty());
  }
  // With the journal written, the same edit is done and leaves no journal.
  ASSERT_TRUE(WriteAt(file_, 0, original));
  EXPECT_EQ(Insert("\r\n", journal_).status, engine::TailMoveStatus::Done);
  EXPECT_TRUE(Bytes() == original.substr(0, 10) + "\r\n" + original.substr(10));
  EXPECT_TRUE(FilesIn(journal_).empty());
}

// A foreign or damaged journal, or a file changed since: nothing is touched,
// one report, the journal kept aside (and never run again).
TEST_F(JournalFaults, ForeignDamagedOrOutdatedJournalTouchesNothing) {
  engine::NullProgress quiet;
  const std::string original = Pattern(MiB, 1);
  {
    SCOPED_TRACE("foreign journal");
    ASSERT_TRUE(WriteAt(file_, 0, original));
    ASSERT_TRUE(WriteAt(journal_ + L"\\other.journal", 0, "not a journal of ours, but named like one"));
    const auto reports = engine::RecoverJournals(journal_, quiet);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].result, engine::RecoveryResult::Unreadable);
    EXPECT_EQ(FilesIn(journal_), std::vector<std::wstring>{L"other.journal-kept"});
    EXPECT_EQ(reports[0].journalKept, journal_ + L"\\other.journal-kept");
    EXPECT_TRUE(Bytes() == original);
    EXPECT_TRUE(engine::RecoverJournals(journal_, quiet).empty());  // set aside for good
    DeleteFileW(reports[0].journalKept.c_str());
  }
  for (const char* what : {"damaged header", "file changed since", "file replaced since"}) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(WriteAt(file_, 0, Pattern(MiB, 1)));
    Interrupted(12);
    const std::wstring j = journal_ + L"\\" + FilesIn(journal_)[0];
    if (std::string(what) == "damaged header") {
      HANDLE h = CreateFileW(j.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      DWORD n = 0;
      SetFilePointer(h, 8192 + 40, nullptr, FILE_BEGIN);  // inside the header
      WriteFile(h, "XX", 2, &n, nullptr);
      CloseHandle(h);
    } else if (std::string(what) == "file changed since") {
      HANDLE h = CreateFileW(file_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      DWORD n = 0;
      WriteFile(h, "more", 4, &n, nullptr);
      CloseHandle(h);
    } else {
      // Another program saved a new file under the name (same bytes).
      const std::wstring other = dir_ + L"\\saved.bin";
      ASSERT_TRUE(WriteAt(other, 0, Bytes()));
      ASSERT_TRUE(MoveFileExW(other.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING));
    }
    const std::string before = Bytes();
    const auto reports = engine::RecoverJournals(journal_, quiet);
    ASSERT_EQ(reports.size(), 1u);
    const bool damaged = std::string(what) == "damaged header";
    EXPECT_EQ(reports[0].result, damaged ? engine::RecoveryResult::Unreadable : engine::RecoveryResult::NotTouched);
    if (!damaged) {
      EXPECT_EQ(reports[0].path, file_);
      EXPECT_EQ(reports[0].rangeStart, 100);
      EXPECT_EQ(reports[0].rangeEnd, MiB + 2);
    }
    EXPECT_TRUE(Bytes() == before);
    const auto left = FilesIn(journal_);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(left[0].find(L".journal-kept"), std::wstring::npos);
    EXPECT_EQ(journal_ + L"\\" + left[0], reports[0].journalKept);
    DeleteFileW(reports[0].journalKept.c_str());
  }
}

// A journal that a running program still writes is left alone.
TEST_F(JournalFaults, JournalInUseIsLeftAlone) {
  const std::string original = Pattern(MiB, 1);
  ASSERT_TRUE(WriteAt(file_, 0, original));
  Interrupted(12);
  const std::wstring j = journal_ + L"\\" + FilesIn(journal_)[0];
  HANDLE h = CreateFileW(j.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  engine::NullProgress quiet;
  EXPECT_TRUE(engine::RecoverJournals(journal_, quiet).empty());
  EXPECT_FALSE(engine::HasJournals(journal_));
  CloseHandle(h);
  EXPECT_TRUE(engine::HasJournals(journal_));
  const auto reports = engine::RecoverJournals(journal_, quiet);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].result, engine::RecoveryResult::Finished);
  EXPECT_TRUE(Bytes() == original.substr(0, 100) + Pattern(2, 7) + original.substr(100));
  EXPECT_TRUE(FilesIn(journal_).empty());
}
