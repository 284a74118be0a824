#include "viewer/ClipboardText.h"

#include <cstring>

#include "framework/Cp932.h"

namespace viewerclip {

namespace {

HGLOBAL MakeBlock(const void* data, size_t bytes, size_t total) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, total);
  if (!h) return nullptr;
  void* p = GlobalLock(h);
  if (!p) {
    GlobalFree(h);
    return nullptr;
  }
  if (bytes) std::memcpy(p, data, bytes);
  GlobalUnlock(h);
  return h;
}

bool OpenWithRetry(HWND owner) {
  for (int i = 0; i < 10; ++i) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);  // another program may hold the clipboard for a moment
  }
  return false;
}

}  // namespace

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
  const size_t bytes = text.size() * sizeof(wchar_t);
  HGLOBAL textBlock = MakeBlock(text.data(), bytes, bytes + 2);
  if (!textBlock) return false;
  const DWORD dropEffect = 0;
  HGLOBAL effectBlock = MakeBlock(&dropEffect, sizeof dropEffect, sizeof dropEffect);
  const UINT effectFormat = RegisterClipboardFormatW(L"Preferred DropEffect");
  if (!OpenWithRetry(owner)) {
    GlobalFree(textBlock);
    if (effectBlock) GlobalFree(effectBlock);
    return false;
  }
  EmptyClipboard();
  bool ok = SetClipboardData(CF_UNICODETEXT, textBlock) != nullptr;
  if (!ok) GlobalFree(textBlock);
  if (effectBlock) {
    if (!effectFormat || !SetClipboardData(effectFormat, effectBlock)) GlobalFree(effectBlock);
  }
  CloseClipboard();
  return ok;
}

std::wstring GetClipboardText(HWND owner) {
  const bool wide = IsClipboardFormatAvailable(CF_UNICODETEXT);
  const bool narrow = !wide && IsClipboardFormatAvailable(CF_TEXT);
  if (!wide && !narrow) return std::wstring();
  if (!OpenWithRetry(owner)) return std::wstring();
  std::wstring out;
  HANDLE h = GetClipboardData(wide ? CF_UNICODETEXT : CF_TEXT);
  if (h) {
    const SIZE_T size = GlobalSize(h);
    if (const void* p = GlobalLock(h)) {
      if (wide) {
        const wchar_t* w = static_cast<const wchar_t*>(p);
        size_t n = 0;
        while (n < size / sizeof(wchar_t) && w[n]) ++n;
        out.assign(w, n);
      } else {
        const char* c = static_cast<const char*>(p);
        size_t n = 0;
        while (n < size && c[n]) ++n;
        out = Cp932ToWide(c, n);
      }
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return out;
}

}  // namespace viewerclip
