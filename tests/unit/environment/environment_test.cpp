// The test environment itself: code page, Japanese round trip, fixture access.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include "support/paths.h"

TEST(Environment, AnsiCodePageIsJapanese) {
  EXPECT_EQ(GetACP(), 932u);
  // "日本" in code page 932 converts to the two kanji and back.
  const char sjis[] = "\x93\xfa\x96\x7b";
  wchar_t w[8] = {};
  ASSERT_EQ(MultiByteToWideChar(932, 0, sjis, 4, w, 8), 2);
  EXPECT_EQ(w[0], 0x65E5);
  EXPECT_EQ(w[1], 0x672C);
}

TEST(Environment, TempFolderRoundTrip) {
  std::wstring dir = testsupport::MakeTempDir(L"env");
  ASSERT_FALSE(dir.empty());
  std::wstring f = dir + L"\\a.bin";
  ASSERT_TRUE(testsupport::WriteBytes(f, std::string("a\0b", 3)));
  bool ok = false;
  EXPECT_EQ(testsupport::ReadBytes(f, &ok), std::string("a\0b", 3));
  EXPECT_TRUE(ok);
}

namespace {
int CALLBACK FoundFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}
}  // namespace

// The prefix has wine's own fonts: Marlett draws the caption buttons (without
// it they show as letters), Tahoma is the dialogs' fallback.
TEST(Environment, WinesOwnFontsAreThere) {
  HDC dc = GetDC(nullptr);
  for (const wchar_t* face : {L"Marlett", L"Tahoma"}) {
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    wcscpy(want.lfFaceName, face);
    bool found = false;
    EnumFontFamiliesExW(dc, &want, FoundFont, reinterpret_cast<LPARAM>(&found), 0);
    EXPECT_TRUE(found) << testing::PrintToString(std::wstring(face));
  }
  ReleaseDC(nullptr, dc);
}
