// The file-operation seam and the viewer's file routines on real files under
// wine: short reads and writes, a full disk, injected failures, 64-bit
// positions, long paths, the NUL-safe read, the viewable size limit, and the
// line scans through the seam.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "framework/FileOps.h"
#include "support/paths.h"
#include "text/LineScan.h"
#include "viewer/FileAccess.h"
#include "viewer/PathRoutines.h"

using namespace std::string_literals;
using fileops::FaultFiles;
using fileops::File;
using fileops::Op;
using fileops::ScopedFiles;

namespace {

class FileAccessTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeTempDir(L"fa");
    ASSERT_FALSE(dir_.empty());
  }
  std::wstring Path(const std::wstring& name) const { return dir_ + L"\\" + name; }
  std::wstring Make(const std::wstring& name, const std::string& bytes) const {
    const std::wstring p = Path(name);
    EXPECT_TRUE(testsupport::WriteBytes(p, bytes));
    return p;
  }
  std::wstring dir_;
};

TEST_F(FileAccessTest, SystemOperationsRoundTrip) {
  const std::wstring p = Path(L"a.txt");
  File f;
  ASSERT_TRUE(f.Open(p, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(fileops::WriteFully(f.get(), "hello world", 11));
  EXPECT_EQ(fileops::Files().Size(f.get()), 11);
  EXPECT_EQ(SeekFile64(f.get(), FILE_BEGIN, 5), 5);
  ASSERT_TRUE(fileops::Files().SetEnd(f.get()));
  EXPECT_EQ(SeekFile64(f.get(), FILE_BEGIN, 0), 0);
  char buf[16] = {};
  DWORD got = 0;
  ASSERT_TRUE(fileops::ReadFully(f.get(), buf, sizeof buf, &got));
  EXPECT_EQ(std::string(buf, got), "hello");
  EXPECT_TRUE(f.Close());
  EXPECT_FALSE(f.IsOpen());

  EXPECT_EQ(GetFileSize64(p), 5);
  ASSERT_TRUE(fileops::Files().Copy(p, Path(L"b.txt"), true));
  EXPECT_FALSE(fileops::Files().Copy(p, Path(L"b.txt"), true));  // exists
  ASSERT_TRUE(fileops::Files().Move(Path(L"b.txt"), Path(L"c.txt")));
  EXPECT_EQ(GetFileSize64(Path(L"b.txt")), 0);
  EXPECT_EQ(testsupport::ReadBytes(Path(L"c.txt")), "hello");
  ASSERT_TRUE(fileops::Files().Delete(Path(L"c.txt")));
  WIN32_FIND_DATAW fd;
  EXPECT_FALSE(FindFirstFileAny(Path(L"c.txt"), &fd));
}

TEST_F(FileAccessTest, ShortReadsAndWritesAreRepeated) {
  FaultFiles faults;
  faults.maxRead = 3;
  faults.maxWrite = 2;
  ScopedFiles use(faults);
  const std::wstring p = Path(L"short.txt");
  {
    File f;
    ASSERT_TRUE(f.Open(p, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    DWORD written = 0;
    ASSERT_TRUE(fileops::WriteFully(f.get(), "0123456789", 10, &written));
    EXPECT_EQ(written, 10u);
  }
  EXPECT_EQ(faults.Calls(Op::Write), 5);
  File f;
  ASSERT_TRUE(f.Open(p, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  char buf[20];
  DWORD got = 0;
  ASSERT_TRUE(fileops::ReadFully(f.get(), buf, sizeof buf, &got));
  EXPECT_EQ(std::string(buf, got), "0123456789");
}

TEST_F(FileAccessTest, FullDiskStopsTheWriteWithItsError) {
  FaultFiles faults;
  faults.diskSpace = 4;
  ScopedFiles use(faults);
  File f;
  ASSERT_TRUE(f.Open(Path(L"full.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  DWORD written = 99;
  EXPECT_FALSE(fileops::WriteFully(f.get(), "0123456789", 10, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(written, 4u);  // what did reach the file is reported
  f.Close();
  EXPECT_EQ(testsupport::ReadBytes(Path(L"full.txt")), "0123");
}

TEST_F(FileAccessTest, InjectedFailuresCarryTheirError) {
  const std::wstring p = Make(L"x.txt", std::string(100, 'x'));
  FaultFiles faults;
  ScopedFiles use(faults);
  faults.FailAt(Op::Open, 1, ERROR_SHARING_VIOLATION);
  File f;
  EXPECT_FALSE(f.Open(p, GENERIC_READ, 0, OPEN_EXISTING, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  ASSERT_TRUE(f.Open(p, GENERIC_READ, 0, OPEN_EXISTING, 0));  // only the first call fails

  faults.maxRead = 10;
  faults.FailAt(Op::Read, 3, ERROR_READ_FAULT);
  char buf[100];
  DWORD got = 0;
  EXPECT_FALSE(ReadFileNulSafe(f.get(), buf, 1, 100, &got));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
  EXPECT_EQ(got, 20u);

  faults.FailAt(Op::Seek, 1, ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SeekFile64(f.get(), FILE_BEGIN, 0), -1);
  faults.FailAt(Op::FindFirst, 1, ERROR_ACCESS_DENIED, true);
  EXPECT_EQ(GetFileSize64(p), 0);
}

TEST_F(FileAccessTest, PositionsAndSizesBeyondFourGiB) {
  const std::wstring p = Path(L"sparse.bin");
  File f;
  ASSERT_TRUE(f.Open(p, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  const int64_t five = int64_t(5) << 30;
  ASSERT_EQ(SeekFile64(f.get(), FILE_BEGIN, five), five);
  ASSERT_TRUE(fileops::Files().SetEnd(f.get()));
  // A position whose low half is 0xFFFFFFFF is a position, not an error.
  EXPECT_EQ(SeekFile64(f.get(), FILE_BEGIN, 0xFFFFFFFFLL), 0xFFFFFFFFLL);
  ASSERT_TRUE(fileops::WriteFully(f.get(), "\r\n", 2));
  EXPECT_EQ(SeekFile64(f.get(), FILE_CURRENT, 0), 0x100000001LL);
  EXPECT_EQ(SeekFile64(f.get(), FILE_END, -1), five - 1);
  EXPECT_EQ(SeekFile64(f.get(), FILE_BEGIN, -5), -1);
  f.Close();
  EXPECT_EQ(GetFileSize64(p), five);
  EXPECT_EQ(MakeInt64(1, 0xFFFFFFFF), 0x1FFFFFFFFLL);

  // A line scan from the end runs back through the zeros to the CR LF without
  // one read per byte.
  FaultFiles faults;
  ScopedFiles use(faults);
  ASSERT_TRUE(f.Open(p, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  linescan::ScanOptions opt;
  linescan::LineState st;
  EXPECT_EQ(linescan::FindLineStartBack(FileReader(f.get()), five, 0, 0x100000000LL + 4096, opt, st),
            0x100000001LL);
  EXPECT_LT(faults.Calls(Op::Read), 16);
}

TEST_F(FileAccessTest, MissingFilesHaveSizeZeroAndLongPathsAreFound) {
  EXPECT_EQ(GetFileSize64(Path(L"none.txt")), 0);
  EXPECT_EQ(GetFileSize64(L""), 0);
  std::wstring deep = dir_;
  while (deep.size() < 300) {
    deep += L"\\folder_with_a_long_name_" + std::to_wstring(deep.size());
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr)) << GetLastError();
  }
  const std::wstring file = deep + L"\\deep.txt";
  HANDLE h = CreateFileW((L"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  WriteFile(h, "1234567", 7, &done, nullptr);
  CloseHandle(h);
  EXPECT_EQ(GetFileSize64(file), 7);
}

TEST(FileAccessText, SystemErrorTextIsNeverEmpty) {
  const std::string known = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(known.empty());
  EXPECT_NE(known.back(), '\n');
  EXPECT_EQ(SystemErrorText(0x2000FFFF), "Error 536936447");
}

TEST_F(FileAccessTest, NulSafeReadReturnsItsOwnCount) {
  const std::wstring p = Make(L"zeros.bin", "a\0b\0\0\0c\x01"s);
  File f;
  ASSERT_TRUE(f.Open(p, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  char buf[16];
  DWORD got = 0;
  pagetext::NulSafeResult info;
  ASSERT_TRUE(ReadFileNulSafe(f.get(), buf, 1, 16, &got, &info));
  EXPECT_EQ(std::string(buf, got), "a\x01" "b\x01\x01\x01" "c\x01"s);
  EXPECT_EQ(info.nulCount, 4u);
  EXPECT_TRUE(info.hadPlaceholder);
  // Units: the zero byte of "a" (61 00) is no NUL unit; 00 00 is.
  SeekFile64(f.get(), FILE_BEGIN, 0);
  ASSERT_TRUE(ReadFileNulSafe(f.get(), buf, 2, 6, &got, &info));
  EXPECT_EQ(std::string(buf, got), "a\0b\0\x01\0"s);
  EXPECT_EQ(info.nulCount, 1u);
  EXPECT_FALSE(info.hadPlaceholder);
}

TEST(FileAccessLimit, ViewableSizeIsCappedAboveTheLimit) {
  EXPECT_EQ(ViewableSizeLimit(), int64_t(1) << 50);
  EXPECT_FALSE(CapToViewable(int64_t(1) << 50).capped);
  const auto big = CapToViewable((int64_t(1) << 50) + 1);
  EXPECT_TRUE(big.capped);
  EXPECT_EQ(big.size, int64_t(1) << 50);
  SetViewableSizeLimitForTest(1000);
  EXPECT_FALSE(CapToViewable(1000).capped);
  EXPECT_EQ(CapToViewable(1001).size, 1000);
  SetViewableSizeLimitForTest(0);
  EXPECT_EQ(ViewableSizeLimit(), int64_t(1) << 50);
}

// The block scans on real files through the seam with short reads give what
// the byte-at-a-time reference gives.
TEST_F(FileAccessTest, ScansThroughTheSeamMatchTheReference) {
  std::mt19937 rng(99);
  std::string data;
  const char* pieces[] = {"\r\n", "\r", "\n", "abc", "\x82\xa0", "defghij"};
  while (data.size() < 3000) data += pieces[rng() % 6];
  const std::wstring p = Make(L"scan.txt", data);
  const int64_t size = static_cast<int64_t>(data.size());
  File f;
  ASSERT_TRUE(f.Open(p, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
  FaultFiles faults;
  faults.maxRead = 5;
  ScopedFiles use(faults);
  auto read = FileReader(f.get());
  for (int k = 0; k < 300; ++k) {
    const int64_t pos = static_cast<int64_t>(rng() % (size + 1));
    for (int byteOrder : {0, 1}) {
      linescan::ScanOptions opt;
      opt.loneLineEnds = (k & 1) != 0;
      opt.byteOrder = byteOrder;
      opt.firstBlock = 64;
      linescan::LineState a{1, 7}, b{1, 7};
      ASSERT_EQ(linescan::FindLineStartBack(read, size, 0, pos, opt, a),
                linescan::reference::FindLineStartBack(read, 0, pos, opt, b));
      ASSERT_EQ(linescan::FindLineStartBackWide(read, size, 0, pos, opt, a),
                linescan::reference::FindLineStartBackWide(read, 0, pos, opt, b));
      ASSERT_EQ(linescan::FindLineStartForward(read, size, 0, size, size - 32, pos, opt, a),
                linescan::reference::FindLineStartForward(read, 0, size, size - 32, pos, opt, b));
      ASSERT_EQ(linescan::FindLineStartForwardWide(read, size, 0, size, size - 32, pos, opt, a),
                linescan::reference::FindLineStartForwardWide(read, 0, size, size - 32, pos, opt, b));
      ASSERT_EQ(a.firstLineNumber, b.firstLineNumber);
      ASSERT_EQ(a.lastLineStart, b.lastLineStart);
    }
  }
  // A failing read ends a scan with -1.
  faults.FailAt(Op::Read, 1, ERROR_READ_FAULT, true);
  linescan::ScanOptions opt;
  linescan::LineState st;
  EXPECT_EQ(linescan::FindLineStartBack(read, size, 0, size - 1, opt, st), -1);
}

}  // namespace
