// The backup and undo copy on real files under wine, against the fault table:
// every failure and every abort leaves the target as it was and no temporary
// file behind; a finished copy leaves the target byte-equal to the source.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/FileCopy.h"
#include "framework/FileOps.h"
#include "support/paths.h"

using fileops::FaultFiles;
using fileops::Op;
using fileops::ScopedFiles;

namespace {

constexpr uint32_t kBlock = 4096;

class StopAt : public engine::ProgressSink {
 public:
  explicit StopAt(int64_t block) : block_(block) {}
  void SetMaximum(int64_t m) override { maximum = m; }
  void Step(int64_t p) override { last = p; }
  bool ShouldStop() override { return block_ > 0 && last >= block_; }
  int64_t maximum = -1, last = 0;

 private:
  int64_t block_;
};

std::vector<std::wstring> FilesIn(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE s = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (s == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") names.push_back(n);
  } while (FindNextFileW(s, &fd));
  FindClose(s);
  return names;
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

class FileCopyTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeTempDir(L"fc");
    ASSERT_FALSE(dir_.empty());
    source_ = dir_ + L"\\backup.txt";
    target_ = dir_ + L"\\target.txt";
    content_ = Pattern(3 * kBlock + 5);
    ASSERT_TRUE(testsupport::WriteBytes(source_, content_));
  }
  engine::CopyOutcome Copy(engine::ProgressSink& sink) {
    engine::CopyOptions o;
    o.blockSize = kBlock;
    return engine::CopyFileReplacing(source_, target_, sink, o);
  }
  std::wstring dir_, source_, target_;
  std::string content_;
};

TEST_F(FileCopyTest, CopiesIntoNewAndOverExistingTargets) {
  for (bool existing : {false, true}) {
    if (existing) {
      ASSERT_TRUE(testsupport::WriteBytes(target_, "old content that is replaced"));
    }
    StopAt sink(0);
    const auto r = Copy(sink);
    ASSERT_TRUE(r.done());
    EXPECT_EQ(sink.maximum, 4);
    EXPECT_EQ(sink.last, 4);
    EXPECT_EQ(testsupport::ReadBytes(target_), content_);
    EXPECT_EQ(FilesIn(dir_).size(), 2u);
  }
  // an empty source gives an empty target
  ASSERT_TRUE(testsupport::WriteBytes(source_, ""));
  StopAt sink(0);
  ASSERT_TRUE(Copy(sink).done());
  bool ok = false;
  EXPECT_EQ(testsupport::ReadBytes(target_, &ok), "");
  EXPECT_TRUE(ok);
}

TEST_F(FileCopyTest, ShortReadsAndWritesStillCopyEverything) {
  FaultFiles faults;
  faults.maxRead = 1000;
  faults.maxWrite = 777;
  ScopedFiles scoped(faults);
  StopAt sink(0);
  ASSERT_TRUE(Copy(sink).done());
  EXPECT_EQ(testsupport::ReadBytes(target_), content_);
}

// The fault table: each row leaves the old target (or none) and no temporary file.
TEST_F(FileCopyTest, FaultsAndAbortsLeaveTheTargetAsItWas) {
  struct Case {
    const char* name;
    Op op;
    int nth;  // 0: no injected call failure
    DWORD error;
    int64_t diskSpace;
    int64_t stopAt;
    engine::CopyStatus status;
    engine::CopyStep step;
  } cases[] = {
      {"source cannot be opened", Op::Open, 1, ERROR_SHARING_VIOLATION, -1, 0, engine::CopyStatus::Failed,
       engine::CopyStep::OpenSource},
      {"temporary file cannot be made", Op::Open, 2, ERROR_ACCESS_DENIED, -1, 0, engine::CopyStatus::Failed,
       engine::CopyStep::CreateTemp},
      {"read error at block 1", Op::Read, 1, ERROR_READ_FAULT, -1, 0, engine::CopyStatus::Failed,
       engine::CopyStep::Read},
      {"read error at block 3", Op::Read, 3, ERROR_READ_FAULT, -1, 0, engine::CopyStatus::Failed,
       engine::CopyStep::Read},
      {"write error at block 2", Op::Write, 2, ERROR_WRITE_FAULT, -1, 0, engine::CopyStatus::Failed,
       engine::CopyStep::Write},
      {"full disk", Op::Count, 0, 0, kBlock + 100, 0, engine::CopyStatus::Failed, engine::CopyStep::Write},
      {"temporary file fails to close", Op::Close, 2, ERROR_WRITE_FAULT, -1, 0, engine::CopyStatus::Failed,
       engine::CopyStep::Close},
      {"replace fails", Op::Replace, 1, ERROR_ACCESS_DENIED, -1, 0, engine::CopyStatus::Failed,
       engine::CopyStep::Replace},
      {"abort at block 1", Op::Count, 0, 0, -1, 1, engine::CopyStatus::Aborted, engine::CopyStep::None},
      {"abort at block 3", Op::Count, 0, 0, -1, 3, engine::CopyStatus::Aborted, engine::CopyStep::None},
  };
  for (bool existing : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (existing ? " (target exists)" : " (no target)"));
      DeleteFileW(target_.c_str());
      if (existing) {
        ASSERT_TRUE(testsupport::WriteBytes(target_, "old"));
      }
      FaultFiles faults;
      if (c.nth) faults.FailAt(c.op, c.nth, c.error);
      faults.diskSpace = c.diskSpace;
      engine::CopyOutcome r;
      {
        ScopedFiles scoped(faults);
        StopAt sink(c.stopAt);
        r = Copy(sink);
      }
      EXPECT_EQ(r.status, c.status);
      EXPECT_EQ(r.step, c.step);
      if (c.status == engine::CopyStatus::Failed) {
        EXPECT_EQ(r.error, c.diskSpace >= 0 ? static_cast<DWORD>(ERROR_DISK_FULL) : c.error);
      }
      bool ok = false;
      const std::string now = testsupport::ReadBytes(target_, &ok);
      EXPECT_EQ(ok, existing);
      if (existing) {
        EXPECT_EQ(now, "old");
      }
      EXPECT_EQ(FilesIn(dir_).size(), existing ? 2u : 1u) << "a temporary file was left";
    }
  }
}

TEST_F(FileCopyTest, ALockedOrMissingSourceChangesNothing) {
  ASSERT_TRUE(testsupport::WriteBytes(target_, "old"));
  HANDLE lock = CreateFileW(source_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  StopAt sink(0);
  auto r = Copy(sink);
  CloseHandle(lock);
  EXPECT_EQ(r.step, engine::CopyStep::OpenSource);
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  DeleteFileW(source_.c_str());
  r = Copy(sink);
  EXPECT_EQ(r.step, engine::CopyStep::OpenSource);
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(testsupport::ReadBytes(target_), "old");
  EXPECT_EQ(FilesIn(dir_).size(), 1u);
}

}  // namespace
