// Status-bar texts, colour blending and the short path form.
#include <gtest/gtest.h>

#include "text/StatusText.h"

using namespace statustext;

namespace {

struct SizeCase {
  uint64_t v;
  const wchar_t* spaced;
  const wchar_t* tight;
};

TEST(FormatSize, UnitsAndOneRoundedDecimal) {
  const SizeCase cases[] = {
      {0, L"0 B", L"0B"},
      {1, L"1 B", L"1B"},
      {1023, L"1023 B", L"1023B"},
      {1024, L"1 KB", L"1KB"},
      {1536, L"1.5 KB", L"1.5KB"},
      {1075, L"1 KB", L"1KB"},            // 1.0498: down to 1.0, shown without ".0"
      {1076, L"1.1 KB", L"1.1KB"},        // 1.0508: up
      {1048575, L"1024 KB", L"1024KB"},   // 1023.999 rounds up, unit kept
      {1048576, L"1 MB", L"1MB"},
      {(uint64_t{5} << 30) + (uint64_t{1} << 29), L"5.5 GB", L"5.5GB"},
      {uint64_t{1} << 40, L"1 TB", L"1TB"},
      {(uint64_t{1} << 50) - 1, L"1024 TB", L"1024TB"},
      {uint64_t{1} << 50, L"1 PB", L"1PB"},
      {(uint64_t{1} << 63) - 1, L"8192 PB", L"8192PB"},
      {~uint64_t{0}, L"16384 PB", L"16384PB"},
  };
  for (const SizeCase& c : cases) {
    EXPECT_EQ(FormatSize(true, c.v), c.spaced) << c.v;
    EXPECT_EQ(FormatSize(false, c.v), c.tight) << c.v;
  }
}

TEST(FormatSize, HalfTenthRoundsUp) {
  // 1.25 KB and 1.75 KB are exact halves of a tenth.
  EXPECT_EQ(FormatSize(true, 1280), L"1.3 KB");
  EXPECT_EQ(FormatSize(true, 1792), L"1.8 KB");
  EXPECT_EQ(FormatSize(true, 1024 + 972), L"1.9 KB");  // 1.9492
}

TEST(SelectionStatus, SizeOrLineCountOrOver) {
  EXPECT_EQ(SelectionStatusText(false, 0, 1536, 1 << 20), L"1.5 KB");
  EXPECT_EQ(SelectionStatusText(true, 12, 1536, 1 << 20), L"12 行");
  EXPECT_EQ(SelectionStatusText(true, 12, (1 << 20) + 1, 1 << 20), L"select over");
  EXPECT_EQ(SelectionStatusText(true, 3, 1 << 20, 1 << 20), L"3 行");
}

TEST(StatusBarHint, ByMousePosition) {
  // Panels of 60, 100 and 55 pixels.
  EXPECT_EQ(StatusBarHint(0, 60, 160, 215), L"ファイルサイズ");
  EXPECT_EQ(StatusBarHint(59, 60, 160, 215), L"ファイルサイズ");
  EXPECT_EQ(StatusBarHint(60, 60, 160, 215), L"表示位置（Byte）");
  EXPECT_EQ(StatusBarHint(159, 60, 160, 215), L"表示位置（Byte）");
  EXPECT_EQ(StatusBarHint(160, 60, 160, 215), L"表示位置");
  EXPECT_EQ(StatusBarHint(214, 60, 160, 215), L"表示位置");
  EXPECT_EQ(StatusBarHint(215, 60, 160, 215), L"");
  // A wider position panel moves the later edges with it.
  EXPECT_EQ(StatusBarHint(200, 60, 210, 265), L"表示位置（Byte）");
  EXPECT_EQ(StatusBarHint(264, 60, 210, 265), L"表示位置");
  EXPECT_EQ(StatusBarHint(265, 60, 210, 265), L"");
}

struct BlendCase {
  uint32_t a, b;
  int w;
  uint32_t expect;
};

TEST(BlendColor, FloorPerChannel) {
  const BlendCase cases[] = {
      {0x00FFFFFF, 0x00000000, 128, 0x007F7F7F},
      {0x00FFFFFF, 0x00000000, 256, 0x00FFFFFF},
      {0x00123456, 0x00ABCDEF, 0, 0x00ABCDEF},
      // a below b: the floor is one less than truncation would give.
      {0x00000000, 0x00FFFFFF, 1, 0x00FEFEFE},
      {0x00000000, 0x000000FF, 100, 0x0000009B},  // 255 + floor(-99.6) = 155
      {0x000000FF, 0x00000000, 100, 0x00000063},  // floor(99.6) = 99
      // Channels apart: red up, green down, blue equal.
      {0x00801020, 0x00802010, 64, 0x00801C14},
      // The top byte of either colour takes no part.
      {0xFF000000, 0x80000000, 128, 0x00000000},
  };
  for (const BlendCase& c : cases) {
    EXPECT_EQ(BlendColor(c.a, c.b, c.w), c.expect)
        << std::hex << c.a << " " << c.b << " w " << std::dec << c.w;
  }
}

TEST(NormalizePath, ShortFormOfPaths) {
  EXPECT_EQ(NormalizePath(L"C:\\docs\\logs\\today.txt"), L"C:\\..[today.txt]");
  EXPECT_EQ(NormalizePath(L"C:\\today.txt"), L"C:\\today.txt");  // no levels: unchanged
  EXPECT_EQ(NormalizePath(L"C:\\a\\b\\c", true), L"C:\\...[c]");
  EXPECT_EQ(NormalizePath(L"\\\\server\\share\\f.txt"), L"\\\\.[f.txt]");
  std::wstring deep = L"C:";
  for (int i = 0; i < 40; ++i) deep += L"\\d";
  deep += L"\\x.txt";
  EXPECT_EQ(PathDepth(deep), 30);
  EXPECT_EQ(NormalizePath(deep), L"C:\\" + std::wstring(30, L'.') + L"[x.txt]");
}

TEST(NormalizePath, Helpers) {
  std::wstring t = L"C:\\a\\b\\";
  EXPECT_EQ(PopLastComponent(t, L'\\'), L"b");
  EXPECT_EQ(t, L"C:\\a");
  std::wstring none = L"abc";
  EXPECT_EQ(PopLastComponent(none, L'\\'), L"");
  EXPECT_EQ(none, L"abc");
  EXPECT_EQ(LastComponents(L"C:\\a\\b\\c.txt", 2), L"b\\c.txt");
}

}  // namespace
