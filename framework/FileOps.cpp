#include "framework/FileOps.h"

#include <algorithm>
#include <atomic>

namespace fileops {

namespace {

class SystemFileOps : public FileOps {
 public:
  HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
  }
  bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) override {
    DWORD n = 0;
    const BOOL ok = ReadFile(h, buf, len, &n, nullptr);
    if (done) *done = n;
    return ok != FALSE;
  }
  bool Write(HANDLE h, const void* buf, DWORD len, DWORD* done) override {
    DWORD n = 0;
    const BOOL ok = WriteFile(h, buf, len, &n, nullptr);
    if (done) *done = n;
    return ok != FALSE;
  }
  int64_t Seek(HANDLE h, int64_t distance, DWORD method) override {
    LONG high = static_cast<LONG>(distance >> 32);
    // A position whose low half is 0xFFFFFFFF is valid; only the error tells.
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(h, static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return (static_cast<int64_t>(high) << 32) | low;
  }
  int64_t Size(HANDLE h) override {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(h, &s)) return -1;
    return s.QuadPart;
  }
  bool SetEnd(HANDLE h) override { return SetEndOfFile(h) != FALSE; }
  bool Close(HANDLE h) override { return CloseHandle(h) != FALSE; }
  bool FindFirst(const std::wstring& path, WIN32_FIND_DATAW* found) override {
    WIN32_FIND_DATAW fd;
    HANDLE s = FindFirstFileW(path.c_str(), &fd);
    if (s == INVALID_HANDLE_VALUE) return false;
    FindClose(s);
    if (found) *found = fd;
    return true;
  }
  bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override {
    return CopyFileW(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
  }
  bool Move(const std::wstring& from, const std::wstring& to) override {
    return MoveFileW(from.c_str(), to.c_str()) != FALSE;
  }
  bool Delete(const std::wstring& path) override { return DeleteFileW(path.c_str()) != FALSE; }
  bool Replace(const std::wstring& from, const std::wstring& to) override {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  bool Identity(HANDLE h, uint64_t* volume, uint64_t* index) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    if (volume) *volume = info.dwVolumeSerialNumber;
    if (index) *index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
  }
  bool Information(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) override {
    return GetFileInformationByHandle(h, info) != 0;
  }
};

SystemFileOps g_system;
std::atomic<FileOps*> g_current{nullptr};

FileOps& Current() {
  FileOps* f = g_current.load();
  return f ? *f : g_system;
}

// The form of a path that the system's file functions take: a full path of
// MAX_PATH characters or more gets the long-path prefix ("\\?\", for a UNC
// path "\\?\UNC\"); shorter paths, relative ones and those the prefix
// would change the meaning of ("." or ".." parts, forward slashes) stay as
// they are.
std::wstring SystemPathForm(const std::wstring& path) {
  if (path.size() < MAX_PATH || path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"\\\\.\\") == 0) return path;
  // The prefix turns off the system's own reading of the path: only a full
  // path without "." or ".." parts and with backslashes only keeps its meaning.
  const bool drive = path.size() > 2 && path[1] == L':' && path[2] == L'\\';
  const bool unc = path.compare(0, 2, L"\\\\") == 0;
  if ((!drive && !unc) || path.find(L'/') != std::wstring::npos || path.find(L"\\.\\") != std::wstring::npos ||
      path.find(L"\\..\\") != std::wstring::npos) {
    return path;
  }
  return unc ? L"\\\\?\\UNC\\" + path.substr(2) : L"\\\\?\\" + path;
}

// Every path goes to the implementation in use in the form the system takes:
// a full path of MAX_PATH characters or more only with the long-path prefix.
class LongPathFiles : public FileOps {
 public:
  HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
    return Current().Open(SystemPathForm(path), access, share, disposition, flags);
  }
  bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) override { return Current().Read(h, buf, len, done); }
  bool Write(HANDLE h, const void* buf, DWORD len, DWORD* done) override { return Current().Write(h, buf, len, done); }
  int64_t Seek(HANDLE h, int64_t distance, DWORD method) override { return Current().Seek(h, distance, method); }
  int64_t Size(HANDLE h) override { return Current().Size(h); }
  bool SetEnd(HANDLE h) override { return Current().SetEnd(h); }
  bool Flush(HANDLE h) override { return Current().Flush(h); }
  bool Close(HANDLE h) override { return Current().Close(h); }
  bool FindFirst(const std::wstring& path, WIN32_FIND_DATAW* found) override {
    return Current().FindFirst(SystemPathForm(path), found);
  }
  bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override {
    return Current().Copy(SystemPathForm(from), SystemPathForm(to), failIfExists);
  }
  bool Move(const std::wstring& from, const std::wstring& to) override {
    return Current().Move(SystemPathForm(from), SystemPathForm(to));
  }
  bool Delete(const std::wstring& path) override { return Current().Delete(SystemPathForm(path)); }
  bool Replace(const std::wstring& from, const std::wstring& to) override {
    return Current().Replace(SystemPathForm(from), SystemPathForm(to));
  }
  bool Identity(HANDLE h, uint64_t* volume, uint64_t* index) override { return Current().Identity(h, volume, index); }
  bool Information(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) override { return Current().Information(h, info); }
};

LongPathFiles g_longPaths;

}  // namespace

FileOps& SystemFiles() { return g_system; }

FileOps& Files() { return g_longPaths; }

FileOps* SetFiles(FileOps* ops) {
  FileOps* old = g_current.exchange(ops);
  return old ? old : &g_system;
}

bool ReadFully(HANDLE h, void* buf, DWORD len, DWORD* got) {
  DWORD total = 0;
  auto* p = static_cast<unsigned char*>(buf);
  while (total < len) {
    DWORD n = 0;
    if (!Files().Read(h, p + total, len - total, &n)) {
      if (got) *got = total;
      return false;
    }
    if (n == 0) break;
    total += n;
  }
  if (got) *got = total;
  return true;
}

bool WriteFully(HANDLE h, const void* buf, DWORD len, DWORD* written) {
  DWORD total = 0;
  const auto* p = static_cast<const unsigned char*>(buf);
  bool ok = true;
  while (total < len) {
    DWORD n = 0;
    if (!Files().Write(h, p + total, len - total, &n)) {
      total += std::min(n, len - total);
      ok = false;
      break;
    }
    if (n == 0) {
      SetLastError(ERROR_DISK_FULL);
      ok = false;
      break;
    }
    total += n;
  }
  if (written) *written = total;
  return ok;
}

File& File::operator=(File&& o) noexcept {
  if (this != &o) {
    Close();
    h_ = o.h_;
    o.h_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

bool File::Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  Close();
  h_ = Files().Open(path, access, share, disposition, flags);
  return IsOpen();
}

bool File::Close() {
  if (!IsOpen()) return false;
  const DWORD keep = GetLastError();  // closing must not hide the error a caller is about to report
  const bool ok = Files().Close(h_);
  h_ = INVALID_HANDLE_VALUE;
  if (ok) SetLastError(keep);
  return ok;
}

// ---- FaultFiles

void FaultFiles::FailAt(Op op, int nth, DWORD error, bool every) {
  std::lock_guard<std::mutex> l(lock_);
  Plan& p = plans_[static_cast<int>(op)];
  p.failAt = nth > 0 ? p.calls + nth : 0;
  p.error = error;
  p.every = every;
}

int FaultFiles::Calls(Op op) const {
  std::lock_guard<std::mutex> l(lock_);
  return plans_[static_cast<int>(op)].calls;
}

bool FaultFiles::Fails(Op op) {
  std::lock_guard<std::mutex> l(lock_);
  Plan& p = plans_[static_cast<int>(op)];
  ++p.calls;
  if (p.failAt > 0 && (p.calls == p.failAt || (p.every && p.calls > p.failAt))) {
    SetLastError(p.error);
    return true;
  }
  return false;
}

HANDLE FaultFiles::Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  if (Fails(Op::Open)) return INVALID_HANDLE_VALUE;
  return inner_.Open(path, access, share, disposition, flags);
}

bool FaultFiles::Read(HANDLE h, void* buf, DWORD len, DWORD* done) {
  if (Fails(Op::Read)) {
    if (done) *done = 0;
    return false;
  }
  if (maxRead && len > maxRead) len = maxRead;
  return inner_.Read(h, buf, len, done);
}

bool FaultFiles::Write(HANDLE h, const void* buf, DWORD len, DWORD* done) {
  if (Fails(Op::Write)) {
    if (done) *done = 0;
    return false;
  }
  if (maxWrite && len > maxWrite) len = maxWrite;
  bool full = false;
  // Bytes of this write that lie within the file already (they take no space
  // unless overwrites count).
  int64_t inside = 0;
  {
    std::lock_guard<std::mutex> l(lock_);
    if (diskSpace >= 0 && !overwritesTakeSpace) {
      const int64_t pos = inner_.Seek(h, 0, FILE_CURRENT);
      const int64_t size = inner_.Size(h);
      if (pos >= 0 && size >= 0) inside = std::max<int64_t>(0, std::min<int64_t>(len, size - pos));
    }
    if (diskSpace >= 0 && static_cast<int64_t>(len) - inside > diskSpace) {
      len = static_cast<DWORD>(inside + diskSpace);
      full = true;
    }
  }
  DWORD n = 0;
  const bool ok = len ? inner_.Write(h, buf, len, &n) : true;
  if (done) *done = n;
  {
    std::lock_guard<std::mutex> l(lock_);
    if (diskSpace >= 0) diskSpace -= std::max<int64_t>(0, static_cast<int64_t>(n) - inside);
  }
  if (!ok) return false;
  if (full) {
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return true;
}

int64_t FaultFiles::Seek(HANDLE h, int64_t distance, DWORD method) {
  if (Fails(Op::Seek)) return -1;
  return inner_.Seek(h, distance, method);
}

int64_t FaultFiles::Size(HANDLE h) {
  if (Fails(Op::Size)) return -1;
  return inner_.Size(h);
}

bool FaultFiles::SetEnd(HANDLE h) {
  if (Fails(Op::SetEnd)) return false;
  if (!overwritesTakeSpace) {
    std::lock_guard<std::mutex> l(lock_);
    if (diskSpace >= 0) {
      const int64_t pos = inner_.Seek(h, 0, FILE_CURRENT);
      const int64_t size = inner_.Size(h);
      const int64_t growth = pos >= 0 && size >= 0 ? pos - size : 0;
      if (growth > diskSpace) {
        SetLastError(ERROR_DISK_FULL);
        return false;
      }
      if (growth > 0) diskSpace -= growth;
    }
  }
  return inner_.SetEnd(h);
}

bool FaultFiles::Flush(HANDLE h) {
  if (Fails(Op::Flush)) return false;
  return inner_.Flush(h);
}

bool FaultFiles::Close(HANDLE h) {
  if (Fails(Op::Close)) {
    inner_.Close(h);  // the handle goes anyway, as a failed CloseHandle of a real file leaves nothing open
    SetLastError(plans_[static_cast<int>(Op::Close)].error);
    return false;
  }
  return inner_.Close(h);
}

bool FaultFiles::FindFirst(const std::wstring& path, WIN32_FIND_DATAW* found) {
  if (Fails(Op::FindFirst)) return false;
  WIN32_FIND_DATAW fd;
  if (!inner_.FindFirst(path, &fd)) return false;
  if (onFind) onFind(path, fd);
  if (found) *found = fd;
  return true;
}

bool FaultFiles::Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) {
  if (Fails(Op::Copy)) return false;
  return inner_.Copy(from, to, failIfExists);
}

bool FaultFiles::Move(const std::wstring& from, const std::wstring& to) {
  if (Fails(Op::Move)) return false;
  return inner_.Move(from, to);
}

bool FaultFiles::Delete(const std::wstring& path) {
  if (Fails(Op::Delete)) return false;
  return inner_.Delete(path);
}

bool FaultFiles::Replace(const std::wstring& from, const std::wstring& to) {
  if (Fails(Op::Replace)) return false;
  return inner_.Replace(from, to);
}

bool FaultFiles::Identity(HANDLE h, uint64_t* volume, uint64_t* index) {
  if (Fails(Op::Identity)) return false;
  return inner_.Identity(h, volume, index);
}

bool FaultFiles::Information(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) {
  if (Fails(Op::Information)) return false;
  return inner_.Information(h, info);
}

}  // namespace fileops
