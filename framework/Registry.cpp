#include "framework/Registry.h"

TRegistry::TRegistry(HKEY root, REGSAM access) : root_(root), access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
}

HKEY TRegistry::BaseFor(const std::wstring& key, std::wstring& rel) const {
  if (!key.empty() && key[0] == L'\\') {
    rel = key.substr(1);
    return root_;
  }
  rel = key;
  return current_ ? current_ : root_;
}

bool TRegistry::OpenKey(const std::wstring& key, bool create) {
  std::wstring rel;
  HKEY base = BaseFor(key, rel);
  HKEY h = nullptr;
  LONG r;
  if (create)
    r = RegCreateKeyExW(base, rel.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr, &h, nullptr);
  else
    r = RegOpenKeyExW(base, rel.c_str(), 0, access_, &h);
  if (r != ERROR_SUCCESS) return false;
  std::wstring path = (base == root_ || currentPath_.empty()) ? rel : currentPath_ + L"\\" + rel;
  CloseKey();
  current_ = h;
  currentPath_ = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& key) {
  REGSAM saved = access_;
  access_ = KEY_READ;
  bool ok = OpenKey(key, false);
  access_ = saved;
  return ok;
}

void TRegistry::CloseKey() {
  if (current_) RegCloseKey(current_);
  current_ = nullptr;
  currentPath_.clear();
}

bool TRegistry::KeyExists(const std::wstring& key) const {
  std::wstring rel;
  HKEY base = BaseFor(key, rel);
  HKEY h = nullptr;
  if (RegOpenKeyExW(base, rel.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

bool TRegistry::DeleteKey(const std::wstring& key) {
  std::wstring rel;
  HKEY base = BaseFor(key, rel);
  if (rel.empty()) return false;
  if (RegDeleteTreeW(base, rel.c_str()) != ERROR_SUCCESS) return false;
  HKEY h = nullptr;
  if (RegOpenKeyExW(base, rel.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {  // some systems keep the emptied key
    RegCloseKey(h);
    return RegDeleteKeyW(base, rel.c_str()) == ERROR_SUCCESS;
  }
  return true;
}

bool TRegistry::ValueExists(const std::wstring& name) const {
  if (!current_) return false;
  return RegQueryValueExW(current_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring TRegistry::ReadString(const std::wstring& name, bool* ok) const {
  if (ok) *ok = false;
  if (!current_) return std::wstring();
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(current_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::wstring();
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::wstring();
  std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
  if (RegQueryValueExW(current_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &got) !=
      ERROR_SUCCESS)
    return std::wstring();
  buf.resize(got / sizeof(wchar_t));
  while (!buf.empty() && buf.back() == L'\0') buf.pop_back();
  if (ok) *ok = true;
  return buf;
}

bool TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
  if (!current_) return false;
  return RegSetValueExW(current_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::wstring& name) {
  if (!current_) return false;
  return RegDeleteValueW(current_, name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::wstring> TRegistry::GetValueNames() const {
  std::vector<std::wstring> out;
  if (!current_) return out;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD len = 16384;
    LONG r = RegEnumValueW(current_, i, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    out.emplace_back(name, len);
  }
  return out;
}

std::vector<std::wstring> TRegistry::GetKeyNames() const {
  std::vector<std::wstring> out;
  if (!current_) return out;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD len = 256;
    LONG r = RegEnumKeyExW(current_, i, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    out.emplace_back(name, len);
  }
  return out;
}
