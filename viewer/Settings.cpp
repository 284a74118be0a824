#include "viewer/Settings.h"

#include <vector>

#include "framework/Cp932.h"
#include "framework/IniFile.h"
#include "framework/MessageService.h"
#include "text/IniText.h"
#include "text/PathText.h"

const char kSettingsSection[] = "Orvik";

namespace {
void HoldInRange(int& value, int lo, int hi, int fallback) {
  if (value < lo || value > hi) value = fallback;
}
}  // namespace

void MendSettings(ViewerSettings& s) {
  const ViewerSettings d;
  HoldInRange(s.FontSize, kFontSizeMin, kFontSizeMax, d.FontSize);
  HoldInRange(s.BookmarkFontSize, kFontSizeMin, kFontSizeMax, d.BookmarkFontSize);
  HoldInRange(s.DetectSizeMB, 1, 50, d.DetectSizeMB);
  if (!initext::IsOneCp932Char(s.SubstituteChar)) s.SubstituteChar = d.SubstituteChar;
  HoldInRange(s.BookmarkTitleMax, 23, 92, d.BookmarkTitleMax);
  HoldInRange(s.CsvColumnMax, 10, 50, d.CsvColumnMax);
}

ViewerSettings LoadViewerSettings(const std::wstring& settingsFile, bool unicodeMode) {
  const char* sec = kSettingsSection;
  TIniFile ini(settingsFile, unicodeMode);
  ViewerSettings s;
  s.EditMaxMB = ini.ReadInteger(sec, "max", s.EditMaxMB);
  s.PageSizeKB = ini.ReadInteger(sec, "page", s.PageSizeKB);
  s.FontSize = ini.ReadInteger(sec, "fontsz", s.FontSize);
  s.BookmarkFontSize = ini.ReadInteger(sec, "fontszbk", s.BookmarkFontSize);
  s.AutoDetectCode = ini.ReadBool(sec, "bomfrg", s.AutoDetectCode);
  s.WatchFromLastLine = ini.ReadBool(sec, "endline", s.WatchFromLastLine);
  s.MergeUnconvertible = ini.ReadBool(sec, "codechgnotinte", s.MergeUnconvertible);
  s.DetectSizeMB = ini.ReadInteger(sec, "chksize", s.DetectSizeMB);
  s.CsvColumnMax = ini.ReadInteger(sec, "clmmax", s.CsvColumnMax);
  s.SubstituteChar = ini.ReadString(sec, "chmog", s.SubstituteChar);
  s.SearchCaseSensitive = ini.ReadBool(sec, "bigsmlmg", s.SearchCaseSensitive);
  s.SearchKanaSensitive = ini.ReadBool(sec, "hirakanamg", s.SearchKanaSensitive);
  s.BookmarkTitleMax = ini.ReadInteger(sec, "booktitlemax", s.BookmarkTitleMax);
  s.DeleteMissingBookmarks = ini.ReadBool(sec, "bookdelfrg", s.DeleteMissingBookmarks);
  s.ReduceFlicker = ini.ReadBool(sec, "doublebuf", s.ReduceFlicker);
  s.AutoLineList = ini.ReadBool(sec, "gyocreate", s.AutoLineList);
  s.KeepEditSelection = ini.ReadBool(sec, "editselectkeep", s.KeepEditSelection);
  s.ConfirmBookmarkLoad = ini.ReadBool(sec, "bookchkfrg", s.ConfirmBookmarkLoad);
  s.OpenExtensions = ini.ReadString(sec, "extlist", s.OpenExtensions);
  s.UpdateSite = ini.ReadString(sec, "updatesite", s.UpdateSite);
  MendSettings(s);
  return s;
}

bool SaveViewerSettings(const std::wstring& settingsFile, const ViewerSettings& s, int upDown1Position,
                        int upDown2Position, bool unicodeMode) {
  const char* sec = kSettingsSection;
  TIniFile ini(settingsFile, unicodeMode);
  bool ok = true;
  ok &= ini.WriteInteger(sec, "max", static_cast<int16_t>(upDown1Position));
  ok &= ini.WriteInteger(sec, "page", static_cast<int16_t>(upDown2Position));
  ok &= ini.WriteInteger(sec, "fontsz", s.FontSize);
  ok &= ini.WriteInteger(sec, "fontszbk", s.BookmarkFontSize);
  ok &= ini.WriteBool(sec, "bomfrg", s.AutoDetectCode);
  ok &= ini.WriteBool(sec, "endline", s.WatchFromLastLine);
  ok &= ini.WriteBool(sec, "codechgnotinte", s.MergeUnconvertible);
  ok &= ini.WriteInteger(sec, "chksize", s.DetectSizeMB);
  ok &= ini.WriteInteger(sec, "clmmax", s.CsvColumnMax);
  ok &= ini.WriteString(sec, "chmog", s.SubstituteChar);
  ok &= ini.WriteBool(sec, "bigsmlmg", s.SearchCaseSensitive);
  ok &= ini.WriteBool(sec, "hirakanamg", s.SearchKanaSensitive);
  ok &= ini.WriteBool(sec, "doublebuf", s.ReduceFlicker);
  ok &= ini.WriteInteger(sec, "booktitlemax", s.BookmarkTitleMax);
  ok &= ini.WriteBool(sec, "gyocreate", s.AutoLineList);
  ok &= ini.WriteBool(sec, "editselectkeep", s.KeepEditSelection);
  ok &= ini.WriteBool(sec, "bookdelfrg", s.DeleteMissingBookmarks);
  ok &= ini.WriteBool(sec, "bookchkfrg", s.ConfirmBookmarkLoad);
  ok &= ini.WriteString(sec, "extlist", s.OpenExtensions);
  ok &= ini.WriteString(sec, "updatesite", s.UpdateSite);
  return ok;
}

namespace {
HANDLE OpenSmallFile(const std::wstring& path, bool write, bool unicodeMode) {
  DWORD access = write ? GENERIC_WRITE : GENERIC_READ;
  DWORD disposition = write ? CREATE_ALWAYS : OPEN_EXISTING;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (unicodeMode)
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return CreateFileA(WideToCp932(path).c_str(), access, share, nullptr, disposition, FILE_FLAG_SEQUENTIAL_SCAN,
                     nullptr);
}
}  // namespace

std::wstring ReadSmallFile(const std::wstring& path, bool unicodeMode) {
  HANDLE h = OpenSmallFile(path, false, unicodeMode);
  if (h == INVALID_HANDLE_VALUE) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return std::wstring();
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size) || size.QuadPart > 64 * 1024 * 1024) {
    DWORD e = size.QuadPart > 64 * 1024 * 1024 ? ERROR_FILE_TOO_LARGE : GetLastError();
    CloseHandle(h);
    ShowMessageWide(SystemErrorTextWide(e));
    return std::wstring();
  }
  std::vector<char> buf(static_cast<size_t>(size.QuadPart) + 2, '\0');
  DWORD got = 0;
  BOOL ok = size.QuadPart == 0 || ReadFile(h, buf.data(), static_cast<DWORD>(size.QuadPart), &got, nullptr);
  DWORD e = GetLastError();
  CloseHandle(h);
  if (!ok) {
    ShowMessageWide(SystemErrorTextWide(e));
    return std::wstring();
  }
  std::wstring text;
  text.reserve(got / 2);
  for (DWORD i = 0; i + 1 < got; i += 2) {
    wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(buf[i]) | static_cast<unsigned char>(buf[i + 1]) << 8);
    if (c == L'\0') break;
    text += c;
  }
  return text;
}

bool WriteSmallFile(const std::wstring& path, const void* data, DWORD byteCount, bool unicodeMode) {
  HANDLE h = OpenSmallFile(path, true, unicodeMode);
  if (h == INVALID_HANDLE_VALUE) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return false;
  }
  DWORD done = 0;
  BOOL ok = byteCount == 0 || WriteFile(h, data, byteCount, &done, nullptr);
  DWORD e = ok ? (done == byteCount ? 0 : ERROR_DISK_FULL) : GetLastError();
  if (!CloseHandle(h) && e == 0) e = GetLastError();
  if (e) {
    ShowMessageWide(SystemErrorTextWide(e));
    return false;
  }
  return true;
}

std::wstring ProgramFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::wstring();
    if (n < buf.size()) return pathtext::ExtractDirWide(std::wstring(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

StorePaths MakeStorePaths(const std::wstring& programFolder) {
  StorePaths p;
  p.programFolder = programFolder;
  if (!p.programFolder.empty() && p.programFolder.back() != L'\\') p.programFolder += L'\\';
  p.dataFolder = p.programFolder + L"data\\";
  p.data1Folder = p.programFolder + L"data_1\\";
  p.settingsFile = p.dataFolder + L"txdata.ini";
  p.bookStore = p.dataFolder + L"bookdata.ini";
  p.lineStore = p.dataFolder + L"gyolist.ini";
  p.lastFolderFile = p.dataFolder + L"path.txt";
  return p;
}

bool ForceDirectories(const std::wstring& folder) {
  std::wstring f = folder;
  while (f.size() > 1 && f.back() == L'\\') f.pop_back();
  if (f.empty()) return false;
  DWORD a = GetFileAttributesW(f.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::wstring parent = pathtext::ExtractDriveDirWide(f);
  if (!parent.empty() && parent != f && !(parent.size() <= 3 && parent.back() == L'\\')) ForceDirectories(parent);
  return CreateDirectoryW(f.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void PrepareDataFolders(const StorePaths& paths) {
  ForceDirectories(paths.dataFolder);
  ForceDirectories(paths.data1Folder);
}

std::wstring LoadLastFolder(const StorePaths& paths, bool unicodeMode) {
  if (GetFileAttributesW(paths.lastFolderFile.c_str()) == INVALID_FILE_ATTRIBUTES) return std::wstring();
  return ReadSmallFile(paths.lastFolderFile, unicodeMode);
}

void SaveLastFolder(const StorePaths& paths, const std::wstring& folder, bool unicodeMode) {
  if (folder.empty()) return;
  std::string bytes;
  for (wchar_t c : folder) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  WriteSmallFile(paths.lastFolderFile, bytes.data(), static_cast<DWORD>(bytes.size()), unicodeMode);
}
