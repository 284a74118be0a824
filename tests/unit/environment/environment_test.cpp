// The test environment itself: code page, Japanese round trip, fixture access.
#include <gtest/gtest.h>
#include <windows.h>
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
