#include "framework/Cp932.h"

#include <windows.h>

std::wstring Cp932ToWide(const char* data, size_t length) {
  if (length == 0) return std::wstring();
  int n = MultiByteToWideChar(932, 0, data, static_cast<int>(length), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, data, static_cast<int>(length), &out[0], n);
  return out;
}

std::wstring Cp932ToWide(const std::string& text) { return Cp932ToWide(text.data(), text.size()); }

std::string WideToCp932(const wchar_t* data, size_t length) {
  if (length == 0) return std::string();
  int n = WideCharToMultiByte(932, 0, data, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, data, static_cast<int>(length), &out[0], n, nullptr, nullptr);
  return out;
}

std::string WideToCp932(const std::wstring& text) { return WideToCp932(text.data(), text.size()); }

std::string Cp932FromUtf8(const char* utf8) {
  if (!utf8 || !*utf8) return std::string();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &w[0], n);
  w.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
  return WideToCp932(w);
}
