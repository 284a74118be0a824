// What a window shows on the screen: its rectangle copied from the screen
// after the window was raised above the others and painted, and the picture
// saved as a BMP file for a person to look at.
#pragma once
#include <windows.h>

#include <cstdio>
#include <vector>

#include "framework/Application.h"
#include "framework/Graphics.h"

namespace testsupport {

// Whether the points of r (screen coordinates) all show window w or one of
// its children.
inline bool Shows(HWND w, const RECT& r) {
  const POINT points[] = {{r.left, r.top},         {r.right - 1, r.top},
                          {r.left, r.bottom - 1},  {r.right - 1, r.bottom - 1},
                          {(r.left + r.right) / 2, (r.top + r.bottom) / 2}};
  for (const POINT& p : points) {
    HWND at = WindowFromPoint(p);
    if (at != w && !IsChild(w, at) && GetAncestor(at, GA_ROOT) != w) return false;
  }
  return true;
}

// Copies r (screen coordinates) of what the screen shows into out, with w
// raised to the top and painted (its frame too) first; the window's place in
// the order is given back afterwards. False when another window still covers
// part of r (windows of tests that run at the same time on the display).
inline bool CaptureScreen(HWND w, const RECT& r, TBitmap& out) {
  const bool topmost = (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Application->ProcessMessages();
    GdiFlush();
    out.SetSize(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(out.Canvas().Handle(), 0, 0, out.Width(), out.Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    const bool shown = Shows(w, r);
    if (!topmost) SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (shown) return true;
  }
  return false;
}

// The whole window as the screen shows it.
inline bool CaptureWindow(HWND w, TBitmap& out) {
  RECT r;
  GetWindowRect(w, &r);
  return CaptureScreen(w, r, out);
}

// Saves the picture as a 32-bit BMP file (name relative to the working folder).
inline void SaveBmp(const TBitmap& b, const char* name) {
  GdiFlush();
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = b.Width();
  ih.biHeight = -b.Height();
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  DWORD bytes = static_cast<DWORD>(b.Width()) * b.Height() * 4;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + bytes;
  FILE* f = fopen(name, "wb");
  if (!f) return;
  fwrite(&fh, sizeof fh, 1, f);
  fwrite(&ih, sizeof ih, 1, f);
  // Opaque pixels: some readers take the fourth byte as alpha.
  std::vector<DWORD> px(b.Bits(), b.Bits() + static_cast<size_t>(b.Width()) * b.Height());
  for (DWORD& v : px) v |= 0xFF000000u;
  fwrite(px.data(), 1, bytes, f);
  fclose(f);
}

}  // namespace testsupport
