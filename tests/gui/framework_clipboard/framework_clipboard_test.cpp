// The framework's clipboard: text in both forms and the file list, under wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Clipboard.h"
#include "framework/Cp932.h"

TEST(FrameworkClipboard, UnicodeTextRoundTrip) {
  const std::wstring text = L"漢字とｶﾅ\r\nline 2 €";
  ASSERT_TRUE(Clipboard::SetTextW(text));
  EXPECT_TRUE(Clipboard::HasFormat(CF_UNICODETEXT));
  EXPECT_TRUE(Clipboard::HasText());
  EXPECT_EQ(text, Clipboard::GetTextW());
  // The narrow form is code page 932; a character outside it becomes "?".
  EXPECT_EQ(WideToCp932(L"漢字とｶﾅ\r\nline 2 ?"), Clipboard::GetText());
}

TEST(FrameworkClipboard, Cp932TextRoundTripInBothForms) {
  const std::string sjis = WideToCp932(L"表示位置ｱｲｳ\tabc");
  ASSERT_TRUE(Clipboard::SetText(sjis));
  EXPECT_TRUE(Clipboard::HasFormat(CF_TEXT));
  EXPECT_TRUE(Clipboard::HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(L"表示位置ｱｲｳ\tabc", Clipboard::GetTextW());
  EXPECT_EQ(sjis, Clipboard::GetText());
  // The bytes as another program reads CF_TEXT.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(CF_TEXT);
  ASSERT_NE(nullptr, h);
  std::string raw(static_cast<const char*>(GlobalLock(h)));
  GlobalUnlock(h);
  CloseClipboard();
  EXPECT_EQ(sjis, raw);
}

TEST(FrameworkClipboard, FileListAndClear) {
  std::vector<std::wstring> files = {L"C:\\データ\\a.txt", L"C:\\b c\\長い名前のファイル.csv"};
  ASSERT_TRUE(Clipboard::SetFileList(files));
  EXPECT_TRUE(Clipboard::HasFormat(CF_HDROP));
  EXPECT_FALSE(Clipboard::HasText());
  EXPECT_EQ(files, Clipboard::GetFileList());
  EXPECT_EQ(L"", Clipboard::GetTextW());
  ASSERT_TRUE(Clipboard::Clear());
  EXPECT_FALSE(Clipboard::HasFormat(CF_HDROP));
  EXPECT_TRUE(Clipboard::GetFileList().empty());
}

TEST(FrameworkClipboard, FailsWhenAnotherWindowHoldsTheClipboard) {
  ASSERT_TRUE(Clipboard::SetTextW(L"kept"));
  // Another owner keeps the clipboard open: the write gives up and the old text stays.
  HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(other));
  EXPECT_FALSE(Clipboard::SetTextW(L"lost"));
  EXPECT_FALSE(Clipboard::SetText("lost"));
  CloseClipboard();
  DestroyWindow(other);
  EXPECT_EQ(L"kept", Clipboard::GetTextW());
}
