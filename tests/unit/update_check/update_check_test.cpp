// The update check and the archive download against the local HTTP server:
// every reply that is not a whole, good one ends in an error and leaves no
// file behind.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "dialogs/UpdateCheck.h"
#include "framework/FileOps.h"
#include "support/paths.h"
#include "support/update_server.h"

using namespace update;
using testsupport::ArchiveBody;
using testsupport::ReadBytes;
using testsupport::UpdateSite;

namespace {

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(testsupport::UpdateServerPort(), 0) << "the update server fixture did not start";
    SetCallTimeoutMs(2000);
  }
  void TearDown() override {
    // A helper left behind by a time-out ends when the server closes.
    EXPECT_TRUE(WaitForHelpers(20000));
    SetCallTimeoutMs(15000);
  }
  static UpdateSettings Settings(const std::string& prefix) {
    UpdateSettings s;
    s.SiteBase = UpdateSite(prefix);
    s.UpdateFileName = "UpdateFilePageFree.html";
    s.UpdateName = "Vastrel_Up";
    s.VerStr = "1521";
    return s;
  }
};

// Records the progress and stops when asked to.
struct FakeProgress : engine::ProgressSink {
  int64_t maximum = -1;
  std::vector<int64_t> steps;
  int stopAfterSteps = -1;  // -1: never
  void SetMaximum(int64_t m) override { maximum = m; }
  void Step(int64_t p) override { steps.push_back(p); }
  bool ShouldStop() override { return stopAfterSteps >= 0 && static_cast<int>(steps.size()) >= stopAfterSteps; }
};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

using testsupport::FileNamesIn;
using Names = std::vector<std::wstring>;

}  // namespace

TEST_F(UpdateCheckTest, PageNamesANewerArchive) {
  CheckOutcome o = CheckForUpdate(Settings(""));
  EXPECT_EQ(o.result, CheckResult::Offer);
  EXPECT_EQ(o.archiveName, "Vastrel_Up1530.zip");
  EXPECT_EQ(o.version, "1530");
  EXPECT_EQ(o.archiveAddress, UpdateSite("UpdateFile/Vastrel_Up1530.zip"));
  // exactly this path, asked once, by the program's agent
  EXPECT_EQ(testsupport::SeenAgents("/DownLoadHtml/UpdateFilePageFree.html"), "orvik\n");
}

TEST_F(UpdateCheckTest, PagesWithoutANewerArchive) {
  struct Case {
    const char* prefix;
    CheckResult result;
  } cases[] = {
      {"latest1521/", CheckResult::Latest},
      {"latest1500/", CheckResult::Latest},
      {"empty/", CheckResult::None},
      {"nozip/", CheckResult::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    EXPECT_EQ(CheckForUpdate(Settings(c.prefix)).result, c.result);
  }
  UpdateSettings s = Settings("latest1500/");
  s.NoChkDownLoad = true;
  CheckOutcome o = CheckForUpdate(s);
  EXPECT_EQ(o.result, CheckResult::Offer);
  EXPECT_EQ(o.archiveName, "Vastrel_Up1500.zip");
}

TEST_F(UpdateCheckTest, BrokenRepliesCannotConnect) {
  testsupport::ClosedPort closed;
  ASSERT_GT(closed.Port(), 0);
  struct Case {
    const char* name;
    std::string site;
  } cases[] = {
      {"404", UpdateSite("missing/")},
      {"closed port", "http://127.0.0.1:" + std::to_string(closed.Port()) + "/"},
      {"stall before the headers", UpdateSite("stall/")},
      {"stall in the body", UpdateSite("stallbody/")},
      {"Content-Length 5000, 2000 bytes sent", UpdateSite("short/")},
      {"page over 1 MiB", UpdateSite("big/")},
      {"address over 2083 characters", UpdateSite(std::string(2100, 'a') + "/")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UpdateSettings s = Settings("");
    s.SiteBase = c.site;
    DWORD t0 = GetTickCount();
    EXPECT_EQ(CheckForUpdate(s).result, CheckResult::CannotConnect);
    // a stalled server ends at the deadline, not when it closes the connection
    EXPECT_LT(GetTickCount() - t0, 4500u);
  }
}

TEST_F(UpdateCheckTest, StopEndsTheWaitAtOnce) {
  DWORD t0 = GetTickCount();
  CheckOutcome o = CheckForUpdate(Settings("stall/"), [&]() { return GetTickCount() - t0 > 300; });
  EXPECT_EQ(o.result, CheckResult::Stopped);
  EXPECT_LT(GetTickCount() - t0, 1500u);
}

TEST_F(UpdateCheckTest, DownloadStoresTheWholeArchive) {
  std::wstring file = testsupport::MakeTempDir(L"dl") + L"\\ok.zip";
  FakeProgress p;
  DownloadOutcome o = DownloadArchive(UpdateSite("dl/UpdateFile/ok.zip"), file, p);
  EXPECT_EQ(o.result, DownloadResult::Done);
  EXPECT_EQ(p.maximum, 5);  // 5000 bytes in 1024-byte chunks
  ASSERT_FALSE(p.steps.empty());
  EXPECT_EQ(p.steps.back(), 5);
  bool ok = false;
  EXPECT_EQ(ReadBytes(file, &ok), ArchiveBody(5000));
  EXPECT_TRUE(ok);
}

TEST_F(UpdateCheckTest, FailedDownloadsLeaveNoFile) {
  struct Case {
    const char* route;
    DownloadResult result;
  } cases[] = {
      {"missing.zip", DownloadResult::HttpError},
      {"short.zip", DownloadResult::Short},
      {"nolength.zip", DownloadResult::NoLength},
      {"stallbody.zip", DownloadResult::TimedOut},
      {"notthere.zip", DownloadResult::HttpError},
  };
  std::wstring dir = testsupport::MakeTempDir(L"dlfail");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.route);
    std::wstring file = dir + L"\\" + std::wstring(c.route, c.route + strlen(c.route));
    FakeProgress p;
    DWORD t0 = GetTickCount();
    DownloadOutcome o = DownloadArchive(UpdateSite("dl/UpdateFile/") + c.route, file, p);
    EXPECT_EQ(o.result, c.result);
    EXPECT_LT(GetTickCount() - t0, 4500u);
    ASSERT_TRUE(WaitForHelpers(20000));
    EXPECT_FALSE(Exists(file));
  }
  // an address too long to be handed over, and a port that refuses
  FakeProgress longer;
  EXPECT_EQ(DownloadArchive(UpdateSite(std::string(2100, 'a') + ".zip"), dir + L"\\long.zip", longer).result,
            DownloadResult::OpenError);
  EXPECT_FALSE(Exists(dir + L"\\long.zip"));
  testsupport::ClosedPort closed;
  FakeProgress p;
  std::wstring file = dir + L"\\closed.zip";
  EXPECT_EQ(DownloadArchive("http://127.0.0.1:" + std::to_string(closed.Port()) + "/x.zip", file, p).result,
            DownloadResult::OpenError);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(FileNamesIn(dir), Names{});  // nothing under another name either
}

// A download that stalls and is given up writes nothing, not even after the
// server lets it end; the next one completes under the same name, and the
// attempt left behind never touches it. A file already there stays as it was
// until a complete archive takes its place.
TEST_F(UpdateCheckTest, AGivenUpAttemptLeavesTheNextDownloadAlone) {
  const std::wstring dir = testsupport::MakeTempDir(L"dlstale");
  const std::wstring file = dir + L"\\Vastrel_Up1530.zip";
  ASSERT_TRUE(testsupport::WriteBytes(file, "the archive before"));
  FakeProgress first;
  EXPECT_EQ(DownloadArchive(UpdateSite("dl/UpdateFile/stallbody.zip?stale"), file, first).result,
            DownloadResult::TimedOut);
  EXPECT_EQ(FileNamesIn(dir), Names{L"Vastrel_Up1530.zip"});
  EXPECT_EQ(ReadBytes(file), "the archive before");
  ASSERT_EQ(RunningHelpers(), 1);  // the first attempt still waits for the stalled server
  FakeProgress second;
  EXPECT_EQ(DownloadArchive(UpdateSite("dl/UpdateFile/ok.zip?again"), file, second).result, DownloadResult::Done);
  EXPECT_EQ(ReadBytes(file), ArchiveBody(5000));
  ASSERT_TRUE(WaitForHelpers(20000));  // the server closed the first connection
  EXPECT_EQ(ReadBytes(file), ArchiveBody(5000));
  EXPECT_EQ(FileNamesIn(dir), Names{L"Vastrel_Up1530.zip"});
}

TEST_F(UpdateCheckTest, CancelAfterTheFirstChunk) {
  std::wstring file = testsupport::MakeTempDir(L"dlcancel") + L"\\trickle.zip";
  FakeProgress p;
  p.stopAfterSteps = 1;
  DWORD t0 = GetTickCount();
  DownloadOutcome o = DownloadArchive(UpdateSite("dl/UpdateFile/trickle.zip"), file, p);
  EXPECT_EQ(o.result, DownloadResult::Cancelled);
  EXPECT_LT(GetTickCount() - t0, 2500u);  // the whole reply takes 4 s
  EXPECT_EQ(p.maximum, 20);
  ASSERT_TRUE(WaitForHelpers(20000));
  EXPECT_FALSE(Exists(file));
}

TEST_F(UpdateCheckTest, CancelDuringAStalledRead) {
  // The server sends one chunk, then nothing for 5 s: the cancel does not
  // wait for the deadline.
  SetCallTimeoutMs(4000);
  const std::wstring dir = testsupport::MakeTempDir(L"dlstall");
  std::wstring file = dir + L"\\stallbody.zip";
  ASSERT_TRUE(testsupport::WriteBytes(file, "older"));
  FakeProgress p;
  p.stopAfterSteps = 1;
  DWORD t0 = GetTickCount();
  DownloadOutcome o = DownloadArchive(UpdateSite("dl/UpdateFile/stallbody.zip?cancel"), file, p);
  EXPECT_EQ(o.result, DownloadResult::Cancelled);
  EXPECT_LT(GetTickCount() - t0, 2500u);
  // While the helper still waits for the server, and after it ended.
  EXPECT_EQ(FileNamesIn(dir), Names{L"stallbody.zip"});
  EXPECT_EQ(ReadBytes(file), "older");
  ASSERT_TRUE(WaitForHelpers(20000));
  EXPECT_EQ(FileNamesIn(dir), Names{L"stallbody.zip"});
  EXPECT_EQ(ReadBytes(file), "older");
}

TEST_F(UpdateCheckTest, FileFaults) {
  std::wstring dir = testsupport::MakeTempDir(L"dlfault");
  int n = 0;
  struct Case {
    const char* name;
    std::function<void(fileops::FaultFiles&)> arm;
    DownloadResult result;
    DWORD error;
  } cases[] = {
      {"the file cannot be created", [](fileops::FaultFiles& f) { f.FailAt(fileops::Op::Open, 1, ERROR_ACCESS_DENIED); },
       DownloadResult::CreateError, ERROR_ACCESS_DENIED},
      {"write error at block 3", [](fileops::FaultFiles& f) { f.FailAt(fileops::Op::Write, 3, ERROR_WRITE_FAULT); },
       DownloadResult::WriteError, ERROR_WRITE_FAULT},
      {"full disk", [](fileops::FaultFiles& f) { f.diskSpace = 3000; }, DownloadResult::WriteError, ERROR_DISK_FULL},
      {"close fails", [](fileops::FaultFiles& f) { f.FailAt(fileops::Op::Close, 1, ERROR_WRITE_FAULT); },
       DownloadResult::WriteError, ERROR_WRITE_FAULT},
      {"the file's name cannot be taken",
       [](fileops::FaultFiles& f) { f.FailAt(fileops::Op::Replace, 1, ERROR_ACCESS_DENIED); },
       DownloadResult::WriteError, ERROR_ACCESS_DENIED},
      // short writes are repeated until the chunk is written
      {"short writes", [](fileops::FaultFiles& f) { f.maxWrite = 100; }, DownloadResult::Done, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring file = dir + L"\\okfault" + std::to_wstring(n) + L".zip";
    fileops::FaultFiles faults;
    c.arm(faults);
    DownloadOutcome o;
    {
      fileops::ScopedFiles use(faults);
      FakeProgress p;
      o = DownloadArchive(UpdateSite("dl/UpdateFile/okfault.zip?case=") + std::to_string(n++), file, p);
      ASSERT_TRUE(WaitForHelpers(20000));
    }
    EXPECT_EQ(o.result, c.result);
    EXPECT_EQ(o.error, c.error);
    if (c.result == DownloadResult::Done) {
      EXPECT_EQ(ReadBytes(file), ArchiveBody(5000));
    } else {
      EXPECT_FALSE(Exists(file));
    }
    for (const std::wstring& name : FileNamesIn(dir)) EXPECT_EQ(name.find(L".part"), std::wstring::npos);
  }
  // a folder that does not exist: the system's code comes back
  FakeProgress p;
  DownloadOutcome o = DownloadArchive(UpdateSite("dl/UpdateFile/readonly.zip"), dir + L"\\no\\such\\x.zip", p);
  EXPECT_EQ(o.result, DownloadResult::CreateError);
  EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}
