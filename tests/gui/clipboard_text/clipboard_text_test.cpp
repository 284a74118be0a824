// The viewer's clipboard text under wine: what a copy places and what is read.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "viewer/ClipboardText.h"

namespace {

void PutNarrow(const std::string& bytes) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 1);
  std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  SetClipboardData(CF_TEXT, h);
  CloseClipboard();
}

TEST(ClipboardText, CopyPlacesUnicodeTextAndDropEffect) {
  const std::wstring text = L"日本語\r\nabc";
  ASSERT_TRUE(viewerclip::CopyTextToClipboard(nullptr, text));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  const UINT effect = RegisterClipboardFormatW(L"Preferred DropEffect");
  ASSERT_TRUE(IsClipboardFormatAvailable(effect));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(effect);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(*static_cast<const DWORD*>(GlobalLock(h)), 0u);
  GlobalUnlock(h);
  CloseClipboard();
  EXPECT_EQ(viewerclip::GetClipboardText(nullptr), text);
}

TEST(ClipboardText, NarrowTextIsReadAsCodePage932) {
  PutNarrow("\x93\xfa\x96\x7b abc");  // 日本 abc
  // The system may offer the narrow text as CF_UNICODETEXT too; either way the
  // result is the same characters.
  EXPECT_EQ(viewerclip::GetClipboardText(nullptr), L"日本 abc");
}

TEST(ClipboardText, EmptyOrFilesOnlyGiveEmptyText) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(viewerclip::GetClipboardText(nullptr), L"");
  // Only a file list.
  const wchar_t files[] = L"C:\\a.txt\0";
  const size_t size = sizeof(DROPFILES) + sizeof files + sizeof(wchar_t);
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  auto* df = static_cast<DROPFILES*>(GlobalLock(h));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), files, sizeof files);
  GlobalUnlock(h);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_HDROP, h);
  CloseClipboard();
  EXPECT_EQ(viewerclip::GetClipboardText(nullptr), L"");
}

TEST(ClipboardText, CopyWhileAnotherWindowHoldsTheClipboardFails) {
  HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(OpenClipboard(other));
  EXPECT_FALSE(viewerclip::CopyTextToClipboard(nullptr, L"x"));
  CloseClipboard();
  DestroyWindow(other);
  EXPECT_TRUE(viewerclip::CopyTextToClipboard(nullptr, L"x"));
  EXPECT_EQ(viewerclip::GetClipboardText(nullptr), L"x");
}

}  // namespace
