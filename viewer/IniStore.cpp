#include "viewer/IniStore.h"

#include <windows.h>

#include <new>
#include <vector>

#include "framework/Cp932.h"
#include "framework/FileOps.h"
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

// The whole file; false (error in GetLastError) when it cannot be opened or read.
bool ReadWholeStore(const std::wstring& file, std::string& bytes) {
  fileops::File f;
  if (!f.Open(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  char buf[65536];
  for (;;) {
    DWORD got = 0;
    if (!fileops::ReadFully(f.get(), buf, sizeof buf, &got)) return false;
    bytes.append(buf, got);
    if (got < sizeof buf) return true;
  }
}

// Replaces the file by bytes: they go to file + ".new", which then takes the
// file's place, so the file is either the old one or the new one whole.
// False (error in GetLastError) when that failed; the old file is untouched.
bool ReplaceStoreBytes(const std::wstring& file, const std::string& bytes) {
  const std::wstring temp = file + L".new";
  fileops::File f;
  if (!f.Open(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  bool ok = fileops::WriteFully(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()));
  DWORD e = GetLastError();
  if (!f.Close() && ok) {
    ok = false;
    e = GetLastError();
  }
  if (ok && fileops::Files().Replace(temp, file)) return true;
  if (ok) e = GetLastError();
  fileops::Files().Delete(temp);
  SetLastError(e);
  return false;
}

// Runs a rewrite of a store. When it changed the file's bytes, the file as
// it was before is kept as file + ".bak" (replacing an older copy). The copy
// is written before the rewrite (as ".bak.new"), and no rewrite is done when
// it cannot be; it takes the ".bak" name after a rewrite that changed the file.
template <class Rewrite>
bool KeepingOldForm(const std::wstring& file, Rewrite rewrite) {
  std::string before;
  if (IniStore::FileSize64(file) < 0 || !ReadWholeStore(file, before)) return rewrite();
  const std::wstring copy = file + L".bak", pending = copy + L".new";
  if (!ReplaceStoreBytes(pending, before)) {
    ReportError(GetLastError());
    return false;
  }
  const bool ok = rewrite();
  std::string after;
  if (ReadWholeStore(file, after) && after == before) {
    fileops::Files().Delete(pending);
  } else if (!fileops::Files().Replace(pending, copy)) {
    ReportError(GetLastError());  // the old form stays as ".bak.new"
  }
  return ok;
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
  return KeepingOldForm(file, [&] { return WriteSectionNow(file, section, list); });
}

bool IniStore::WriteSectionNow(const std::wstring& file, const std::wstring& section, const TStrings& list) const {
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
  return KeepingOldForm(file, [&] { return EraseSectionNow(file, section); });
}

bool IniStore::EraseSectionNow(const std::wstring& file, const std::wstring& section) const {
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
  fileops::File f;
  if (!f.Open(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
              FILE_ATTRIBUTE_NORMAL))
    return;
  const int64_t size = fileops::Files().Size(f.get());
  if (size < 0) return;
  if (size == 0) {
    bool ok = fileops::WriteFully(f.get(), "\xFF\xFE", 2);
    DWORD e = GetLastError();
    if (!f.Close() && ok) {
      ok = false;
      e = GetLastError();
    }
    if (!ok) ReportError(e);
    return;
  }
  unsigned char head[2] = {0, 0};
  DWORD got = 0;
  fileops::ReadFully(f.get(), head, 2, &got);
  f.Close();
  if (got == 2 && head[0] == 0xFE && head[1] == 0xFF) return;
  MakeFileUnicode(file);
}

namespace {
// What becomes of a store without a byte-order mark.
enum class StoreForm {
  Utf16NoMark,  // UTF-16LE text without its mark: the mark is put in front
  Narrow,       // code page 932 text: converted whole
  Unfaithful,   // no UTF-16 store can hold it as it is: set aside
  Utf16Marked,  // UTF-16LE with its mark, as every store is kept: left alone
};

// Whether a UTF-16LE store with its mark (bytes FF FE first) holds only what
// the profile functions keep: whole units, none of them U+0000.
bool MarkedStoreIsFaithful(const std::string& bytes) {
  if (bytes.size() % 2 != 0) return false;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') return false;
  return true;
}

StoreForm ClassifyStore(const std::string& bytes) {
  const bool holdsNul = bytes.find('\0') != std::string::npos;
  std::string padded = bytes + std::string(2, '\0');  // the tests may look one unit further
  const bool unicode = !bytes.empty() && IsTextUnicode(padded.data(), static_cast<int>(bytes.size()), nullptr);
  if (unicode && holdsNul && initext::HasUtf16IniUnits(bytes)) {
    // A unit U+0000 ends a text for the profile functions, and an odd last
    // byte is no unit: either would be lost by the first rewrite.
    if (bytes.size() % 2 != 0) return StoreForm::Unfaithful;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      if (bytes[i] == '\0' && bytes[i + 1] == '\0') return StoreForm::Unfaithful;
    return StoreForm::Utf16NoMark;
  }
  // A NUL byte would become U+0000, which the profile functions read as
  // the end of a text; bytes that code page 932 cannot read would be lost.
  if (holdsNul) return StoreForm::Unfaithful;
  if (bytes.empty()) return StoreForm::Narrow;
  const int n = static_cast<int>(bytes.size());
  if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), n, nullptr, 0) > 0) return StoreForm::Narrow;
  return WideToCp932(Cp932ToWide(bytes)) == bytes ? StoreForm::Narrow : StoreForm::Unfaithful;
}

// Renames the file aside as file + ".broken" (or ".broken2", ".broken3", ...
// when that name is taken); the new name, or empty (error in GetLastError).
std::wstring SetStoreAside(const std::wstring& file) {
  for (int n = 1; n < 10000; ++n) {
    std::wstring kept = file + L".broken" + (n > 1 ? std::to_wstring(n) : std::wstring());
    if (fileops::Files().Move(file, kept)) return kept;
    DWORD e = GetLastError();
    if (e != ERROR_ALREADY_EXISTS && e != ERROR_FILE_EXISTS) return std::wstring();
  }
  SetLastError(ERROR_FILE_EXISTS);
  return std::wstring();
}
}  // namespace

bool IniStore::MakeFileUnicode(const std::wstring& file) {
  std::string bytes;
  if (!ReadWholeStore(file, bytes)) {
    ReportError(GetLastError());
    return false;
  }
  const bool markLE = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                      static_cast<unsigned char>(bytes[1]) == 0xFE;
  const bool markBE = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
                      static_cast<unsigned char>(bytes[1]) == 0xFF;
  if (markBE) return false;
  // A UTF-16LE store with its mark is kept as it is, unless it holds what no
  // rewrite keeps (a unit U+0000, an odd last byte): set aside like any store.
  const StoreForm form = markLE ? (MarkedStoreIsFaithful(bytes) ? StoreForm::Utf16Marked : StoreForm::Unfaithful)
                                : ClassifyStore(bytes);
  if (form == StoreForm::Utf16Marked) return false;
  if (form == StoreForm::Unfaithful) {
    // Kept whole under another name; the program goes on with an empty store.
    const std::wstring kept = SetStoreAside(file);
    if (kept.empty()) {
      ReportError(GetLastError());
      return false;
    }
    MessageBoxWide(L"保存ファイルを読み込めないため、元のファイルを次の名前で残し、新しいファイルを作りました。\n" + kept,
                   MessageTitle(), MB_OK | MB_ICONINFORMATION);
    if (!ReplaceStoreBytes(file, std::string("\xFF\xFE", 2))) ReportError(GetLastError());
    return true;
  }
  std::string out;
  if (form == StoreForm::Utf16NoMark)
    out = std::string("\xFF\xFE", 2) + bytes;
  else
    out = WideToUtf16LeBytes(Cp932ToWide(bytes), true);
  // The old form stays beside the store until the next rewrite.
  if (!fileops::Files().Copy(file, file + L".bak", false) || !ReplaceStoreBytes(file, out)) {
    ReportError(GetLastError());
    return false;
  }
  return true;
}
