#include "dialogs/UpdateCheck.h"

#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "framework/FileOps.h"
#include "text/UpdateText.h"

namespace update {

const char kAgent[] = "orvik";

namespace {

std::atomic<DWORD> g_timeout{15000};
std::atomic<int> g_helpers{0};

const size_t kMaxPage = 1024 * 1024;
// The largest archive held for a download.
const DWORD kMaxArchive = 256u * 1024 * 1024;

// What a helper and the waiting thread share. The helper publishes its
// Internet handles here; the waiting thread closes them when it gives up
// (abandoned), and the helper then only cleans up after itself.
struct Job {
  Job() : wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~Job() {
    if (wake) CloseHandle(wake);
  }
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  std::string address;
  std::wstring filePath;  // download only
  HANDLE wake;            // set after every finished call and at the end

  std::mutex m;
  HINTERNET net = nullptr, url = nullptr;
  bool abandoned = false;
  bool finished = false;
  bool committed = false;  // download: the archive has taken the file's name
  std::atomic<bool> cancel{false};
  int64_t maximum = -1;  // download: the length in chunks, once known
  int64_t position = 0;  // download: chunks read
  // The result, valid once finished.
  bool ok = false;
  DownloadResult result = DownloadResult::OpenError;
  DWORD error = 0;
  std::string page;

  void Signal() { SetEvent(wake); }
  bool Abandoned() {
    std::lock_guard<std::mutex> g(m);
    return abandoned;
  }
  // Puts a new handle where the waiting thread can close it; false when it
  // gave up already (the handle is then closed here).
  bool Publish(HINTERNET& slot, HINTERNET h) {
    std::lock_guard<std::mutex> g(m);
    if (abandoned) {
      if (h) InternetCloseHandle(h);
      return false;
    }
    slot = h;
    return true;
  }
  // Closes the published handles (once, by whoever comes first).
  void CloseHandlesLocked() {
    if (url) InternetCloseHandle(url);
    if (net) InternetCloseHandle(net);
    url = net = nullptr;
  }
  void Finish() {
    {
      std::lock_guard<std::mutex> g(m);
      CloseHandlesLocked();
      finished = true;
    }
    Signal();
  }
  // The waiting thread gives up: closes the handles; the helper ends alone.
  // True when the download had taken the file's name already.
  bool Abandon() {
    std::lock_guard<std::mutex> g(m);
    abandoned = true;
    CloseHandlesLocked();
    return committed;
  }
  // Asks the helper to stop; true when the download had taken the file's
  // name already (too late to cancel).
  bool Cancel() {
    std::lock_guard<std::mutex> g(m);
    cancel = true;
    return committed;
  }
};

void SetTimeouts(HINTERNET h) {
  DWORD ms = g_timeout.load();
  InternetSetOptionA(h, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(h, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
}

bool QueryNumber(HINTERNET url, DWORD what, DWORD& value) {
  DWORD size = sizeof value;
  DWORD index = 0;
  return HttpQueryInfoA(url, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index) != FALSE;
}

// Opens the Internet session and the address; false (with the job's result
// set) on failure or when the waiting thread gave up.
bool OpenAddress(Job& job, DWORD accessType, HINTERNET& net, HINTERNET& url) {
  net = InternetOpenA(kAgent, accessType, nullptr, nullptr, 0);
  if (!net) {
    job.error = GetLastError();
    job.result = DownloadResult::OpenError;
    return false;
  }
  SetTimeouts(net);
  if (!job.Publish(job.net, net)) return false;
  job.Signal();
  url = InternetOpenUrlA(net, job.address.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
  DWORD e = GetLastError();
  if (!job.Publish(job.url, url)) return false;
  job.Signal();
  if (!url) {
    job.error = e;
    job.result = DownloadResult::OpenError;
    return false;
  }
  SetTimeouts(url);
  DWORD status = 0;
  if (!QueryNumber(url, HTTP_QUERY_STATUS_CODE, status) || status != 200) {
    job.error = status;
    job.result = DownloadResult::HttpError;
    return false;
  }
  return true;
}

void RunPage(std::shared_ptr<Job> job) {
  HINTERNET net = nullptr, url = nullptr;
  if (OpenAddress(*job, INTERNET_OPEN_TYPE_PRECONFIG, net, url)) {
    DWORD length = 0;
    const bool hasLength = QueryNumber(url, HTTP_QUERY_CONTENT_LENGTH, length);
    std::string page;
    char buf[kChunk];
    bool ok = true;
    for (;;) {
      DWORD got = 0;
      if (!InternetReadFile(url, buf, kChunk, &got)) {
        ok = false;
        break;
      }
      if (job->Abandoned() || job->cancel) {
        ok = false;
        break;
      }
      if (got == 0) break;
      page.append(buf, got);
      if (page.size() > kMaxPage) {
        ok = false;
        break;
      }
      job->Signal();
    }
    if (ok && hasLength && page.size() != length) ok = false;
    job->ok = ok;
    if (ok) job->page.swap(page);
  }
  job->Finish();
}

// A name beside path for one attempt's file while it is written.
std::wstring PartName(const std::wstring& path) {
  static std::atomic<unsigned> attempt{0};
  return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++attempt) + L".part";
}

// Writes the archive to a new file beside the target and gives it the
// target's name, unless the waiting thread gave up or cancelled meanwhile.
// Nothing is left under the temporary name; the target is replaced only by
// a complete archive.
void StoreArchive(Job& job, const std::string& data, DownloadResult& result, DWORD& error) {
  fileops::FileOps& files = fileops::Files();
  std::wstring part;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int tries = 0; tries < 100 && file == INVALID_HANDLE_VALUE; ++tries) {
    part = PartName(job.filePath);
    file = files.Open(part, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
      error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
  }
  if (file == INVALID_HANDLE_VALUE) {
    result = DownloadResult::CreateError;
    return;
  }
  for (size_t at = 0; at < data.size() && result == DownloadResult::Done; at += kChunk) {
    const DWORD n = static_cast<DWORD>(std::min<size_t>(kChunk, data.size() - at));
    if (!fileops::WriteFully(file, data.data() + at, n)) {
      error = GetLastError();
      result = DownloadResult::WriteError;
    }
  }
  if (!files.Close(file) && result == DownloadResult::Done) {
    error = GetLastError();
    result = DownloadResult::WriteError;
  }
  if (result == DownloadResult::Done) {
    std::lock_guard<std::mutex> g(job.m);
    if (job.abandoned) {
      result = DownloadResult::TimedOut;
    } else if (job.cancel) {
      result = DownloadResult::Cancelled;
    } else if (files.Replace(part, job.filePath)) {
      job.committed = true;
      return;
    } else {
      error = GetLastError();
      result = DownloadResult::WriteError;
    }
  }
  files.Delete(part);
}

void RunDownload(std::shared_ptr<Job> job) {
  HINTERNET net = nullptr, url = nullptr;
  bool opened = OpenAddress(*job, INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY, net, url);
  DWORD length = 0;
  if (opened && !QueryNumber(url, HTTP_QUERY_CONTENT_LENGTH, length)) {
    job->result = DownloadResult::NoLength;
    opened = false;
  }
  // The archive is held in memory until it is complete: a download that
  // stalls, fails or is cancelled writes no file at all.
  std::string data;
  if (opened) {
    try {
      if (length > kMaxArchive) throw std::bad_alloc();
      data.reserve(length);
    } catch (const std::bad_alloc&) {
      job->result = DownloadResult::TooLarge;
      opened = false;
    }
  }
  if (!opened) {
    job->Finish();
    return;
  }
  {
    std::lock_guard<std::mutex> g(job->m);
    job->maximum = (static_cast<int64_t>(length) + kChunk - 1) / kChunk;
  }
  job->Signal();

  DownloadResult result = DownloadResult::Done;
  DWORD error = 0;
  char buf[kChunk];
  for (;;) {
    if (job->cancel) {
      result = DownloadResult::Cancelled;
      break;
    }
    DWORD got = 0;
    if (!InternetReadFile(url, buf, kChunk, &got)) {
      error = GetLastError();
      result = job->Abandoned() ? DownloadResult::TimedOut : DownloadResult::ReadError;
      break;
    }
    if (job->Abandoned()) {
      result = DownloadResult::TimedOut;
      break;
    }
    if (got == 0) break;
    if (data.size() + got > length) {
      result = DownloadResult::ReadError;  // more than the reply announced
      break;
    }
    data.append(buf, got);
    {
      std::lock_guard<std::mutex> g(job->m);
      job->position++;
    }
    job->Signal();
  }
  if (result == DownloadResult::Done && data.size() != length) result = DownloadResult::Short;
  if (result == DownloadResult::Done) StoreArchive(*job, data, result, error);
  job->result = result;
  job->error = error;
  job->Finish();
}

// Runs body on a new helper thread; counted until it ends.
void StartHelper(std::shared_ptr<Job> job, void (*body)(std::shared_ptr<Job>)) {
  g_helpers++;
  try {
    std::thread([job, body]() {
      try {
        body(job);
      } catch (...) {
        // Nothing of the helper may escape its thread; the waiting side sees
        // an unfinished job and ends with its deadline.
      }
      g_helpers--;
    }).detach();
  } catch (...) {
    g_helpers--;
    job->Finish();
  }
}

enum class WaitEnd { Finished, TimedOut, Stopped };

// How long a cancelled download may take to end its current chunk before it
// is left to end by itself.
const DWORD kCancelGrace = 1000;

// Waits for the job to finish: each call the helper finishes renews the
// deadline (timeout ms; 0: the call deadline); pending messages run meanwhile.
// onWake runs after each wake-up.
WaitEnd WaitForJob(Job& job, const std::function<bool()>& stop, const std::function<void()>& onWake,
                   DWORD timeoutMs = 0) {
  const DWORD timeout = timeoutMs ? timeoutMs : g_timeout.load();
  ULONGLONG deadline = GetTickCount64() + timeout;
  for (;;) {
    {
      std::lock_guard<std::mutex> g(job.m);
      if (job.finished) return WaitEnd::Finished;
    }
    if (stop && stop()) return WaitEnd::Stopped;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return WaitEnd::TimedOut;
    DWORD slice = static_cast<DWORD>(deadline - now < 50 ? deadline - now : 50);
    DWORD w = MsgWaitForMultipleObjects(1, &job.wake, FALSE, slice, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0) {
      deadline = GetTickCount64() + timeout;
      if (onWake) onWake();
    }
    Application->ProcessMessages();
  }
}

}  // namespace

DWORD CallTimeoutMs() { return g_timeout.load(); }
void SetCallTimeoutMs(DWORD ms) { g_timeout = ms; }
int RunningHelpers() { return g_helpers.load(); }

bool WaitForHelpers(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (g_helpers.load() > 0) {
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
  return true;
}

CheckOutcome CheckForUpdate(const UpdateSettings& s, const std::function<bool()>& stop) {
  CheckOutcome out;
  if (InternetAttemptConnect(0) != ERROR_SUCCESS) return out;
  auto job = std::make_shared<Job>();
  job->address = updatetext::PageAddress(s.SiteBase, s.UpdateFolderName, s.UpdateFileName);
  if (job->address.size() > updatetext::kMaxAddress || !job->wake) return out;
  StartHelper(job, &RunPage);
  switch (WaitForJob(*job, stop, nullptr)) {
    case WaitEnd::TimedOut:
      job->Abandon();
      return out;
    case WaitEnd::Stopped:
      job->cancel = true;
      job->Abandon();
      out.result = CheckResult::Stopped;
      return out;
    case WaitEnd::Finished:
      break;
  }
  if (!job->ok) return out;
  updatetext::ArchiveFind f = updatetext::FindArchive(job->page, s.UpdateName);
  if (!f.found) {
    out.result = CheckResult::None;
    return out;
  }
  out.archiveName = f.name;
  out.version = f.version;
  if (!updatetext::OffersDownload(s.VerStr, f.version, s.NoChkDownLoad)) {
    out.result = CheckResult::Latest;
    return out;
  }
  out.archiveAddress = updatetext::ArchiveAddress(s.SiteBase, s.UpdateDownFolder, f.name);
  // An archive address too long to be opened cannot be offered.
  out.result = out.archiveAddress.size() > updatetext::kMaxAddress ? CheckResult::CannotConnect : CheckResult::Offer;
  return out;
}

DownloadOutcome DownloadArchive(const std::string& address, const std::wstring& filePath,
                                engine::ProgressSink& progress) {
  DownloadOutcome out;
  if (address.size() > updatetext::kMaxAddress) return out;
  auto job = std::make_shared<Job>();
  if (!job->wake) return out;
  job->address = address;
  job->filePath = filePath;
  int64_t shownMax = -1, shownPos = 0;
  auto report = [&]() {
    int64_t max, pos;
    {
      std::lock_guard<std::mutex> g(job->m);
      max = job->maximum;
      pos = job->position;
    }
    if (max >= 0 && shownMax < 0) {
      shownMax = max;
      progress.SetMaximum(max);
    }
    if (pos != shownPos) {
      shownPos = pos;
      progress.Step(pos);
    }
  };
  StartHelper(job, &RunDownload);
  WaitEnd end = WaitForJob(*job, [&]() { return progress.ShouldStop(); }, report);
  if (end == WaitEnd::TimedOut) {
    // The helper ends by itself; it writes nothing once it was given up.
    out.result = job->Abandon() ? DownloadResult::Done : DownloadResult::TimedOut;
    return out;
  }
  if (end == WaitEnd::Stopped) {
    // The helper stops after the chunk it reads now; a helper whose read
    // stalls is left to end by itself. An archive that took its name before
    // the cancel was seen stays: the download had completed.
    bool done = job->Cancel();
    if (!done) {
      if (WaitForJob(*job, nullptr, report, std::min(kCancelGrace, g_timeout.load())) == WaitEnd::Finished)
        done = job->result == DownloadResult::Done;
      else
        done = job->Abandon();
    }
    out.result = done ? DownloadResult::Done : DownloadResult::Cancelled;
    return out;
  }
  report();
  out.result = job->result;
  out.error = job->error;
  return out;
}

}  // namespace update
