#include "support/paths.h"
#include <windows.h>
#include <cstdlib>
#include <atomic>

namespace testsupport {
namespace {
std::wstring FromEnvUnixPath(const char* var, const char* fallback) {
  const char* v = std::getenv(var);
  std::string p = v ? v : fallback;
  std::wstring w = L"Z:";
  for (char c : p) w += (c == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return w;
}
}  // namespace

std::wstring FixturePath(const std::wstring& name) {
  return FromEnvUnixPath("VASTREL_FIXTURES", "/work/main/tests/fixtures") + L"\\" + name;
}

std::wstring SourcePath(const std::wstring& relative) {
  return FromEnvUnixPath("VASTREL_SOURCE_DIR", "/work/main") + L"\\" + relative;
}

std::wstring MakeTempDir(const std::wstring& tag) {
  static std::atomic<int> counter{0};
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  for (;;) {
    std::wstring dir = std::wstring(tmp) + L"vt_" + tag + L"_" + std::to_wstring(GetCurrentProcessId()) +
                       L"_" + std::to_wstring(counter++);
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
  }
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(h);
  return ok && done == bytes.size();
}

std::string ReadBytes(const std::wstring& path, bool* ok) {
  if (ok) *ok = false;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  if (ok) *ok = true;
  return out;
}

std::wstring ExeDir() {
  wchar_t p[MAX_PATH * 2];
  DWORD n = GetModuleFileNameW(nullptr, p, MAX_PATH * 2);
  std::wstring s(p, n);
  size_t k = s.find_last_of(L'\\');
  return k == std::wstring::npos ? s : s.substr(0, k);
}
}  // namespace testsupport

namespace testsupport {
std::vector<std::wstring> FileNamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((pattern + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}
}  // namespace testsupport
