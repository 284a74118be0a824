#include "viewer/IniStore.h"

#include <windows.h>

#include <new>
#include <vector>

#include "framework/Cp932.h"
#include "framework/IniFile.h"
#include "framework/MessageService.h"
#include "text/IniText.h"

namespace {
void ReportError(DWORD code) { MessageBoxWide(SystemErrorTextWide(code), MessageTitle(), MB_OK | MB_ICONINFORMATION); }

// Section names are paths: compared as the system compares file names,
// ordinal with every letter's case folded.
bool SamePathName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
             CSTR_EQUAL;
}

std::string WideToUtf16LeBytes(const std::wstring& text, bool mark) {
  std::string out;
  out.reserve(text.size() * 2 + 2);
  if (mark) out.append("\xFF\xFE", 2);
  for (wchar_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}
}  // namespace

long long IniStore::FileSize64(const std::wstring& file) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

bool IniStore::IniSectionExists(const std::wstring& file, const std::wstring& section) const {
  if (!unicode_) return TMemIniFile(file).SectionExists(section);
  long long size = FileSize64(file);
  if (size <= 0 || section.empty()) return false;
  // Units: half the file's bytes plus room for the two ending NULs.
  size_t units = static_cast<size_t>(size / 2) + 2;
  std::vector<wchar_t> buf(units, L'\0');
  return GetPrivateProfileSectionW(section.c_str(), buf.data(), static_cast<DWORD>(units), file.c_str()) > 0;
}

void IniStore::ReadIniSectionOf(const std::wstring& file, const std::wstring& section, TStrings& list) const {
  list.Clear();
  if (section.empty()) return;
  if (!unicode_) {
    for (auto& line : TMemIniFile(file).SectionValueLines(section))
      list.Add(WideToCp932(initext::UnquoteStoreLine(line)));
    return;
  }
  ReadSectionFromText(file, section, list);
}

void IniStore::ReadSectionFromText(const std::wstring& file, const std::wstring& section, TStrings& list) {
  std::string bytes;
  if (section.empty() || FileSize64(file) < 0 || !ReadFileBytes(file, bytes)) return;
  for (auto& line : initext::SectionLinesFromText(DecodeTextFileBytes(bytes), section, &SamePathName))
    AddWithWideCopy(list, initext::UnquoteStoreLine(line));
}

void IniStore::ReadSectionHeaders(const std::wstring& file, TStrings& list) {
  std::string bytes;
  if (FileSize64(file) < 0 || !ReadFileBytes(file, bytes)) return;
  for (auto& line : initext::SectionHeadersFromText(DecodeTextFileBytes(bytes))) AddWithWideCopy(list, line);
}

bool IniStore::WriteIniSectionOf(const std::wstring& file, const std::wstring& section, const TStrings& list) const {
  if (!unicode_) {
    TMemIniFile ini(file);
    if (ini.SectionExists(section)) ini.EraseSection(section);
    for (int i = 0; i < list.Count(); ++i) {
      std::wstring line = initext::QuoteStoreLine(ItemTextWide(list, i));
      auto eq = line.find(L'=');
      if (eq == std::wstring::npos) continue;
      ini.WriteString(section, line.substr(0, eq), line.substr(eq + 1));
    }
    if (!ini.UpdateFile()) {
      ReportError(GetLastError());
      return false;
    }
    return true;
  }
  // Lines each ended by a NUL, the list ended by a second NUL.
  std::vector<wchar_t> block;
  try {
    size_t total = 2;
    for (int i = 0; i < list.Count(); ++i) total += ItemTextWide(list, i).size() + 3;
    block.reserve(total);
    for (int i = 0; i < list.Count(); ++i) {
      std::wstring line = initext::QuoteStoreLine(ItemTextWide(list, i));
      block.insert(block.end(), line.begin(), line.end());
      block.push_back(L'\0');
    }
    block.push_back(L'\0');
    block.push_back(L'\0');
  } catch (const std::bad_alloc&) {
    ReportError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  if (!WritePrivateProfileSectionW(section.c_str(), block.data(), file.c_str())) {
    ReportError(GetLastError());
    return false;
  }
  return true;
}

void IniStore::ReadIniNames(const std::wstring& section, const std::wstring& file, TStrings& list) const {
  list.Clear();
  if (!unicode_) {
    TMemIniFile ini(file);
    if (section.empty())
      ini.ReadSections(list);
    else
      ini.ReadSection(section, list);
    return;
  }
  long long size = FileSize64(file);
  if (size <= 0) return;
  // (size / 2) + 2 zeroed units: room for the ending double NUL even for a
  // store that holds only its mark.
  size_t units = static_cast<size_t>(size / 2) + 2;
  std::vector<wchar_t> buf(units, L'\0');
  GetPrivateProfileStringW(section.empty() ? nullptr : section.c_str(), nullptr, L"", buf.data(),
                           static_cast<DWORD>(units), file.c_str());
  buf[units - 1] = L'\0';
  buf[units - 2] = L'\0';
  size_t pos = 0;
  while (pos < units && buf[pos] != L'\0') {
    std::wstring name(buf.data() + pos);
    AddWithWideCopy(list, name);
    pos += name.size() + 1;
  }
}

bool IniStore::EraseIniSectionOf(const std::wstring& file, const std::wstring& section) const {
  if (!unicode_) {
    TMemIniFile ini(file);
    if (!ini.SectionExists(section)) return true;
    ini.EraseSection(section);
    if (!ini.UpdateFile()) {
      ReportError(GetLastError());
      return false;
    }
    return true;
  }
  return WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file.c_str()) != FALSE;
}

void IniStore::EnsureIniUnicode(const std::wstring& file) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) {
    CloseHandle(h);
    return;
  }
  if (size.QuadPart == 0) {
    DWORD done = 0;
    BOOL ok = WriteFile(h, "\xFF\xFE", 2, &done, nullptr);
    DWORD e = GetLastError();
    CloseHandle(h);
    if (!ok || done != 2) ReportError(ok ? ERROR_DISK_FULL : e);
    return;
  }
  unsigned char head[2] = {0, 0};
  DWORD got = 0;
  ReadFile(h, head, 2, &got, nullptr);
  CloseHandle(h);
  if (got == 2 && head[0] == 0xFE && head[1] == 0xFF) return;
  MakeFileUnicode(file);
}

bool IniStore::MakeFileUnicode(const std::wstring& file) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  if (!ReadToEnd(h, bytes)) {
    CloseHandle(h);
    return false;
  }
  const bool markLE = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                      static_cast<unsigned char>(bytes[1]) == 0xFE;
  const bool markBE = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
                      static_cast<unsigned char>(bytes[1]) == 0xFF;
  if (markLE || markBE) {
    CloseHandle(h);
    return false;
  }
  const bool holdsNul = bytes.find('\0') != std::string::npos;
  std::string padded = bytes + std::string(2, '\0');  // the tests may look one unit further
  const bool unicode = !bytes.empty() && IsTextUnicode(padded.data(), static_cast<int>(bytes.size()), nullptr);
  std::string out;
  if (unicode && holdsNul && initext::HasUtf16IniUnits(bytes)) {
    out = std::string("\xFF\xFE", 2) + bytes;  // UTF-16LE without its mark
  } else {
    std::string narrow = bytes.substr(0, bytes.find('\0'));
    out = WideToUtf16LeBytes(Cp932ToWide(narrow), true);
  }
  CloseHandle(h);
  bool ok = ReplaceFileBytes(file, out);
  DWORD e = GetLastError();
  if (!ok) {
    ReportError(e);
    return false;
  }
  return true;
}
