#include "framework/IniFile.h"

#include <windows.h>

#include "framework/Cp932.h"
#include "text/IniText.h"

namespace {
const wchar_t kMissing[] = L"\x01\x02missing\x02\x01";

std::vector<std::wstring> SplitNulList(const std::wstring& raw) {
  std::vector<std::wstring> out;
  size_t pos = 0;
  while (pos < raw.size() && raw[pos] != L'\0') {
    size_t end = raw.find(L'\0', pos);
    if (end == std::wstring::npos) end = raw.size();
    out.push_back(raw.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

bool NeedsQuotes(const std::string& v) {
  if (v.empty()) return false;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  if (blank(v.front()) || blank(v.back())) return true;
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}
}  // namespace

TIniFile::TIniFile(const std::wstring& path, bool wideApi) : path_(path), wide_(wideApi) {}

std::wstring TIniFile::ReadRaw(const wchar_t* section, const wchar_t* key, const wchar_t* def) const {
  const bool list = !section || !key;
  for (DWORD size = 1024; size <= (1u << 24); size *= 4) {
    if (wide_) {
      std::wstring buf(size, L'\0');
      DWORD n = GetPrivateProfileStringW(section, key, def, &buf[0], size, path_.c_str());
      if (n < size - (list ? 2 : 1)) {
        buf.resize(list ? n + 1 : n);
        return buf;
      }
    } else {
      std::string sec = section ? WideToCp932(section) : std::string();
      std::string k = key ? WideToCp932(key) : std::string();
      std::string d = def ? WideToCp932(def) : std::string();
      std::string p = WideToCp932(path_);
      std::string buf(size, '\0');
      DWORD n = GetPrivateProfileStringA(section ? sec.c_str() : nullptr, key ? k.c_str() : nullptr,
                                         def ? d.c_str() : nullptr, &buf[0], size, p.c_str());
      if (n < size - (list ? 2 : 1)) {
        buf.resize(list ? n + 1 : n);
        return Cp932ToWide(buf);
      }
    }
  }
  return std::wstring();
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  std::wstring v = ReadRaw(Cp932ToWide(section).c_str(), Cp932ToWide(key).c_str(), kMissing);
  if (v == kMissing) return def;
  return WideToCp932(v);
}

bool TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string v = NeedsQuotes(value) ? "\"" + value + "\"" : value;
  if (wide_)
    return WritePrivateProfileStringW(Cp932ToWide(section).c_str(), Cp932ToWide(key).c_str(), Cp932ToWide(v).c_str(),
                                      path_.c_str()) != FALSE;
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), v.c_str(), WideToCp932(path_).c_str()) != FALSE;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  std::wstring v = ReadRaw(Cp932ToWide(section).c_str(), Cp932ToWide(key).c_str(), kMissing);
  if (v == kMissing) return def;
  return initext::ParseIniInteger(v, def);
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  std::wstring k = Cp932ToWide(key);
  for (auto& name : SplitNulList(ReadRaw(Cp932ToWide(section).c_str(), nullptr, L"")))
    if (initext::EqualsNoCaseAscii(name, k)) return true;
  return false;
}

bool TIniFile::SectionExists(const std::string& section) const {
  std::wstring s = Cp932ToWide(section);
  for (auto& name : SplitNulList(ReadRaw(nullptr, nullptr, L"")))
    if (initext::EqualsNoCaseAscii(name, s)) return true;
  return false;
}

void TIniFile::ReadSection(const std::string& section, TStrings& keys) const {
  keys.Clear();
  for (auto& name : SplitNulList(ReadRaw(Cp932ToWide(section).c_str(), nullptr, L""))) keys.Add(WideToCp932(name));
}

void TIniFile::ReadSections(TStrings& sections) const {
  sections.Clear();
  for (auto& name : SplitNulList(ReadRaw(nullptr, nullptr, L""))) sections.Add(WideToCp932(name));
}

bool TIniFile::EraseSection(const std::string& section) {
  if (wide_) return WritePrivateProfileStringW(Cp932ToWide(section).c_str(), nullptr, nullptr, path_.c_str()) != FALSE;
  return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, WideToCp932(path_).c_str()) != FALSE;
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  if (wide_)
    return WritePrivateProfileStringW(Cp932ToWide(section).c_str(), Cp932ToWide(key).c_str(), nullptr, path_.c_str()) !=
           FALSE;
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, WideToCp932(path_).c_str()) != FALSE;
}

// ---- TMemIniFile ----

std::wstring DecodeTextFileBytes(const std::string& bytes) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    const bool big = b[0] == 0xFE;
    std::wstring out;
    out.reserve((n - 2) / 2);
    for (size_t i = 2; i + 1 < n; i += 2)
      out += static_cast<wchar_t>(big ? (b[i] << 8 | b[i + 1]) : (b[i + 1] << 8 | b[i]));
    return out;
  }
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    int m = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(n - 3), nullptr, 0);
    std::wstring out(m > 0 ? m : 0, L'\0');
    if (m > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(n - 3), &out[0], m);
    return out;
  }
  return Cp932ToWide(bytes);
}

bool ReadToEnd(void* handle, std::string& bytes) {
  char buf[65536];
  DWORD got = 0;
  for (;;) {
    if (!ReadFile(static_cast<HANDLE>(handle), buf, sizeof buf, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(buf, got);
  }
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = ReadToEnd(h, bytes);
  CloseHandle(h);
  return ok;
}

TMemIniFile::TMemIniFile(const std::wstring& path) : path_(path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return;
  SetText(DecodeTextFileBytes(bytes));
  loaded_ = true;
}

const TMemIniFile::Section* TMemIniFile::Find(const std::wstring& name) const {
  for (auto& s : sections_)
    if (initext::EqualsNoCaseAscii(s.name, name)) return &s;
  return nullptr;
}

TMemIniFile::Section* TMemIniFile::Find(const std::wstring& name) {
  for (auto& s : sections_)
    if (initext::EqualsNoCaseAscii(s.name, name)) return &s;
  return nullptr;
}

bool TMemIniFile::SectionExists(const std::wstring& section) const { return Find(section) != nullptr; }

bool TMemIniFile::ValueExists(const std::wstring& section, const std::wstring& key) const {
  const Section* s = Find(section);
  if (!s) return false;
  for (auto& e : s->entries)
    if (e.hasValue && initext::EqualsNoCaseAscii(e.key, key)) return true;
  return false;
}

std::wstring TMemIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                     const std::wstring& def) const {
  const Section* s = Find(section);
  if (!s) return def;
  for (auto& e : s->entries)
    if (e.hasValue && initext::EqualsNoCaseAscii(e.key, key)) return e.value;
  return def;
}

void TMemIniFile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  Section* s = Find(section);
  if (!s) {
    sections_.push_back(Section{section, {}});
    s = &sections_.back();
  }
  for (auto& e : s->entries)
    if (e.hasValue && initext::EqualsNoCaseAscii(e.key, key)) {
      e.value = value;
      return;
    }
  s->entries.push_back(Entry{key, value, true});
}

int TMemIniFile::ReadInteger(const std::wstring& section, const std::wstring& key, int def) const {
  if (!ValueExists(section, key)) return def;
  return initext::ParseIniInteger(ReadString(section, key, L""), def);
}

void TMemIniFile::WriteInteger(const std::wstring& section, const std::wstring& key, int value) {
  WriteString(section, key, std::to_wstring(value));
}

bool TMemIniFile::ReadBool(const std::wstring& section, const std::wstring& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteBool(const std::wstring& section, const std::wstring& key, bool value) {
  WriteString(section, key, value ? L"1" : L"0");
}

void TMemIniFile::EraseSection(const std::wstring& section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it)
    if (initext::EqualsNoCaseAscii(it->name, section)) {
      sections_.erase(it);
      return;
    }
}

void TMemIniFile::DeleteKey(const std::wstring& section, const std::wstring& key) {
  Section* s = Find(section);
  if (!s) return;
  for (auto it = s->entries.begin(); it != s->entries.end(); ++it)
    if (it->hasValue && initext::EqualsNoCaseAscii(it->key, key)) {
      s->entries.erase(it);
      return;
    }
}

std::vector<std::wstring> TMemIniFile::SectionKeys(const std::wstring& section) const {
  std::vector<std::wstring> out;
  if (const Section* s = Find(section))
    for (auto& e : s->entries)
      if (e.hasValue) out.push_back(e.key);
  return out;
}

std::vector<std::wstring> TMemIniFile::SectionNames() const {
  std::vector<std::wstring> out;
  for (auto& s : sections_) out.push_back(s.name);
  return out;
}

std::vector<std::wstring> TMemIniFile::SectionValueLines(const std::wstring& section) const {
  std::vector<std::wstring> out;
  if (const Section* s = Find(section))
    for (auto& e : s->entries)
      if (e.hasValue) out.push_back(e.key + L"=" + e.value);
  return out;
}

void TMemIniFile::ReadSection(const std::wstring& section, TStrings& keys) const {
  keys.Clear();
  for (auto& k : SectionKeys(section)) keys.Add(WideToCp932(k));
}

void TMemIniFile::ReadSections(TStrings& sections) const {
  sections.Clear();
  for (auto& n : SectionNames()) sections.Add(WideToCp932(n));
}

void TMemIniFile::ReadSectionValues(const std::wstring& section, TStrings& lines) const {
  lines.Clear();
  for (auto& l : SectionValueLines(section)) lines.Add(WideToCp932(l));
}

std::wstring TMemIniFile::Text() const {
  std::wstring out;
  for (auto& s : sections_) {
    out += L"[" + s.name + L"]\r\n";
    for (auto& e : s.entries) out += e.hasValue ? e.key + L"=" + e.value + L"\r\n" : e.key + L"\r\n";
  }
  return out;
}

void TMemIniFile::SetText(const std::wstring& text) {
  sections_.clear();
  Section* cur = nullptr;
  size_t pos = 0;
  if (!text.empty() && text[0] == 0xFEFF) pos = 1;
  while (pos < text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    size_t b = line.find_first_not_of(L" \t");
    if (b == std::wstring::npos) continue;
    line.erase(0, b);
    if (line[0] == L'[') {
      size_t close = line.rfind(L']');
      std::wstring name = close == std::wstring::npos ? line.substr(1) : line.substr(1, close - 1);
      cur = Find(name);
      if (!cur) {
        sections_.push_back(Section{name, {}});
        cur = &sections_.back();
      }
      continue;
    }
    if (!cur) continue;
    size_t eq = line.find(L'=');
    if (eq == std::wstring::npos || line[0] == L';') {
      cur->entries.push_back(Entry{line, std::wstring(), false});
      continue;
    }
    std::wstring key = line.substr(0, eq);
    while (!key.empty() && (key.back() == L' ' || key.back() == L'\t')) key.pop_back();
    cur->entries.push_back(Entry{key, line.substr(eq + 1), true});
  }
}

namespace {
bool WriteAllTo(HANDLE h, const std::string& bytes) {
  DWORD done = 0;
  if (!bytes.empty() && !WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) return false;
  if (!bytes.empty() && done != bytes.size()) {
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return SetEndOfFile(h) != FALSE;
}
}  // namespace

bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
  const std::wstring temp = path + L".new";
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    bool ok = WriteAllTo(h, bytes) && FlushFileBuffers(h);
    DWORD e = GetLastError();
    ok = CloseHandle(h) && ok;
    if (ok && MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileW(temp.c_str());
    if (!ok) {
      SetLastError(e);
      return false;  // nothing of the original was touched
    }
  }
  h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAllTo(h, bytes);
  DWORD e = GetLastError();
  ok = CloseHandle(h) && ok;
  if (!ok) SetLastError(e);
  return ok;
}

bool TMemIniFile::UpdateFile() const {
  std::wstring text = Text();
  std::string bytes("\xFF\xFE", 2);
  bytes.reserve(2 + text.size() * 2);
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return ReplaceFileBytes(path_, bytes);
}
