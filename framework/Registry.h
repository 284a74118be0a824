// A small registry wrapper: one open key at a time under a root key.
// Key paths that begin with "\" are taken from the root; others from the
// open key when one is open, else from the root.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class TRegistry {
 public:
  explicit TRegistry(HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return root_; }
  void SetRootKey(HKEY root);  // closes the open key
  HKEY CurrentKey() const { return current_; }
  const std::wstring& CurrentPath() const { return currentPath_; }

  // Opens the key (creating it and its parents when create is set).
  bool OpenKey(const std::wstring& key, bool create);
  bool OpenKeyReadOnly(const std::wstring& key);
  void CloseKey();
  bool KeyExists(const std::wstring& key) const;
  // Deletes the key with everything below it.
  bool DeleteKey(const std::wstring& key);

  // Values of the open key ("" is the default value).
  bool ValueExists(const std::wstring& name) const;
  // The string value; empty when it is missing or not a string (ok false).
  std::wstring ReadString(const std::wstring& name, bool* ok = nullptr) const;
  bool WriteString(const std::wstring& name, const std::wstring& value);
  bool DeleteValue(const std::wstring& name);
  std::vector<std::wstring> GetValueNames() const;
  std::vector<std::wstring> GetKeyNames() const;

 private:
  // Root and relative path for a key argument.
  HKEY BaseFor(const std::wstring& key, std::wstring& rel) const;
  HKEY root_;
  REGSAM access_;
  HKEY current_ = nullptr;
  std::wstring currentPath_;
};
