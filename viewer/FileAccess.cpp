#include "viewer/FileAccess.h"
#include "viewer/PathRoutines.h"

#include <atomic>

#include "framework/Cp932.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "text/PathText.h"

namespace {
constexpr int64_t kDefaultViewableLimit = int64_t(1) << 50;
std::atomic<int64_t> g_viewableLimit{kDefaultViewableLimit};
}  // namespace

int64_t SeekFile64(HANDLE h, DWORD method, int64_t distance) { return fileops::Files().Seek(h, distance, method); }


int64_t GetFileSize64(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  if (!FindFirstFileAny(path, &fd)) return 0;
  return MakeInt64(fd.nFileSizeHigh, fd.nFileSizeLow);
}

std::string SystemErrorText(DWORD code) { return WideToCp932(SystemErrorTextWide(code)); }

HANDLE OpenForReading(const std::wstring& path) {
  return fileops::Files().Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN);
}

bool ReadFileNulSafe(HANDLE h, void* buf, int unit, DWORD wanted, DWORD* got, pagetext::NulSafeResult* info) {
  DWORD n = 0;
  const bool ok = fileops::ReadFully(h, buf, wanted, &n);
  if (got) *got = n;
  if (info) *info = pagetext::NulSafeResult();
  if (!ok) return false;
  const auto r = pagetext::MakeNulSafe(static_cast<uint8_t*>(buf), n, unit);
  if (info) *info = r;
  return true;
}

int64_t ViewableSizeLimit() { return g_viewableLimit.load(); }

void SetViewableSizeLimitForTest(int64_t limit) { g_viewableLimit.store(limit > 0 ? limit : kDefaultViewableLimit); }

ViewableSize CapToViewable(int64_t realSize) {
  ViewableSize v;
  const int64_t limit = ViewableSizeLimit();
  v.capped = realSize > limit;
  v.size = v.capped ? limit : realSize;
  return v;
}

textio::ReadAt FileReader(HANDLE h) {
  return [h](int64_t offset, void* buf, size_t len) -> int64_t {
    if (offset < 0 || SeekFile64(h, FILE_BEGIN, offset) != offset) return -1;
    DWORD got = 0;
    if (!fileops::ReadFully(h, buf, static_cast<DWORD>(len), &got)) return -1;
    return got;
  };
}

bool IsKeyDown(int virtualKey) { return GetAsyncKeyState(virtualKey) < 0; }
