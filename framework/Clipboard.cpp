#include "framework/Clipboard.h"
#include <shellapi.h>
#include <shlobj.h>
#include <cstring>
#include "framework/Control.h"
#include "framework/Cp932.h"

namespace {
// The clipboard needs an owner window for SetClipboardData after
// EmptyClipboard; callers without one use this hidden message window.
HWND OwnerWindow(HWND owner) {
  if (owner) return owner;
  static HWND hidden = nullptr;
  if (!hidden) hidden = CreateMessageWindow(L"VastrelClipboardOwner", DefWindowProcW);
  return hidden;
}

// Another program may hold the clipboard for a moment.
bool Open(HWND owner) {
  HWND h = OwnerWindow(owner);
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(h)) return true;
    Sleep(10);
  }
  return false;
}

HGLOBAL Block(const void* data, size_t bytes) {
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!g) return nullptr;
  void* p = GlobalLock(g);
  if (!p) {
    GlobalFree(g);
    return nullptr;
  }
  std::memcpy(p, data, bytes);
  GlobalUnlock(g);
  return g;
}

struct Entry {
  UINT format;
  HGLOBAL block;
};

// Empties the clipboard and places the blocks; every block that the
// clipboard did not take is freed.
bool Place(Entry* entries, int n, HWND owner) {
  for (int i = 0; i < n; ++i) {
    if (!entries[i].block) {
      for (int k = 0; k < n; ++k) {
        if (entries[k].block) GlobalFree(entries[k].block);
      }
      return false;
    }
  }
  if (!Open(owner)) {
    for (int k = 0; k < n; ++k) GlobalFree(entries[k].block);
    return false;
  }
  bool ok = EmptyClipboard() != 0;
  for (int i = 0; i < n; ++i) {
    if (ok && SetClipboardData(entries[i].format, entries[i].block)) continue;
    ok = false;
    GlobalFree(entries[i].block);
  }
  CloseClipboard();
  return ok;
}
}  // namespace

namespace Clipboard {

bool SetTextW(const std::wstring& text, HWND owner) {
  Entry e[1] = {{CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(wchar_t))}};
  return Place(e, 1, owner);
}

bool SetText(const std::string& text932, HWND owner) {
  std::wstring wide = Cp932ToWide(text932);
  LCID locale = 0x0411;
  Entry e[3] = {{CF_UNICODETEXT, Block(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t))},
                {CF_TEXT, Block(text932.c_str(), text932.size() + 1)},
                {CF_LOCALE, Block(&locale, sizeof locale)}};
  return Place(e, 3, owner);
}

std::wstring GetTextW(HWND owner) {
  std::wstring out;
  bool unicode = IsClipboardFormatAvailable(CF_UNICODETEXT) != 0;
  if (!unicode && !IsClipboardFormatAvailable(CF_TEXT)) return out;
  if (!Open(owner)) return out;
  HANDLE h = GetClipboardData(unicode ? CF_UNICODETEXT : CF_TEXT);
  if (h) {
    size_t size = GlobalSize(h);
    if (const void* p = GlobalLock(h)) {
      if (unicode) {
        const wchar_t* w = static_cast<const wchar_t*>(p);
        size_t n = 0, max = size / sizeof(wchar_t);
        while (n < max && w[n]) ++n;
        out.assign(w, n);
      } else {
        const char* a = static_cast<const char*>(p);
        size_t n = 0;
        while (n < size && a[n]) ++n;
        out = Cp932ToWide(a, n);
      }
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return out;
}

std::string GetText(HWND owner) { return WideToCp932(GetTextW(owner)); }

bool HasFormat(UINT format) { return IsClipboardFormatAvailable(format) != 0; }

bool HasText() { return HasFormat(CF_UNICODETEXT) || HasFormat(CF_TEXT); }

std::vector<std::wstring> GetFileList(HWND owner) {
  std::vector<std::wstring> out;
  if (!IsClipboardFormatAvailable(CF_HDROP) || !Open(owner)) return out;
  if (HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
    UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      UINT len = DragQueryFileW(drop, i, nullptr, 0);
      std::wstring path(len + 1, L'\0');
      DragQueryFileW(drop, i, &path[0], len + 1);
      path.resize(len);
      out.push_back(path);
    }
  }
  CloseClipboard();
  return out;
}

bool SetFileList(const std::vector<std::wstring>& paths, HWND owner) {
  std::wstring list;
  for (const std::wstring& p : paths) {
    list += p;
    list += L'\0';
  }
  list += L'\0';
  size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  std::string buffer(bytes, '\0');
  auto* df = reinterpret_cast<DROPFILES*>(&buffer[0]);
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  std::memcpy(&buffer[sizeof(DROPFILES)], list.data(), list.size() * sizeof(wchar_t));
  Entry e[1] = {{CF_HDROP, Block(buffer.data(), bytes)}};
  return Place(e, 1, owner);
}

bool Clear(HWND owner) {
  if (!Open(owner)) return false;
  bool ok = EmptyClipboard() != 0;
  CloseClipboard();
  return ok;
}

}  // namespace Clipboard
