// viewer/CodeConv under wine: the system's code page 932 and locale behind the pure
// conversions, over the iconv-made fixtures (tests/fixtures/conv).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/paths.h"
#include "viewer/CodeConv.h"

using conv::ByteOrder;

namespace {

std::string Fixture(const wchar_t* name) {
  bool ok = false;
  std::string s = testsupport::ReadBytes(testsupport::FixturePath(std::wstring(L"conv\\") + name), &ok);
  EXPECT_TRUE(ok) << "missing fixture";
  return s;
}

std::wstring WideFromLE(const std::string& b) {
  std::wstring w(b.size() / 2, L'\0');
  for (size_t i = 0; i < w.size(); ++i)
    w[i] = static_cast<wchar_t>(static_cast<unsigned char>(b[2 * i]) | (static_cast<unsigned char>(b[2 * i + 1]) << 8));
  return w;
}

}  // namespace

TEST(CodeConvWin, FixturesAgreeWithIconv) {
  CodeConv c;
  std::string utf8 = Fixture(L"classes_bmp.utf8.txt"), sjis = Fixture(L"classes_bmp.sjis.txt");
  std::string euc = Fixture(L"classes_bmp.euc.txt"), jis = Fixture(L"classes_bmp.jis.txt");
  std::string s;
  ASSERT_TRUE(c.Utf8ToSjis(utf8.c_str(), &s));
  EXPECT_EQ(s, sjis);
  ASSERT_TRUE(c.SjisToUtf8(sjis.c_str(), &s));
  EXPECT_EQ(s, utf8);
  ASSERT_TRUE(c.SjisToEuc(sjis.c_str(), &s));
  EXPECT_EQ(s, euc);
  ASSERT_TRUE(c.EucToSjis(euc.c_str(), &s));
  EXPECT_EQ(s, sjis);
  ASSERT_TRUE(c.JisToSjis(jis.c_str(), &s));
  EXPECT_EQ(s, sjis);
  ASSERT_TRUE(c.SjisToJis(sjis.c_str(), &s));
  EXPECT_EQ(s, jis);
  EXPECT_EQ(c.UnconvertibleCount, 0u);

  std::string all = Fixture(L"classes.utf8.txt");
  std::wstring le = WideFromLE(Fixture(L"classes.utf16le.txt"));
  std::wstring be = WideFromLE(Fixture(L"classes.utf16be.txt"));
  std::wstring w;
  ASSERT_TRUE(c.Utf8ToWide(all.c_str(), ByteOrder::Little, &w));
  EXPECT_EQ(w, le);
  ASSERT_TRUE(c.Utf8ToWide(all.c_str(), ByteOrder::Big, &w));
  EXPECT_EQ(w, be);
  ASSERT_TRUE(c.WideToUtf8(be.c_str(), ByteOrder::Big, &s));
  EXPECT_EQ(s, all);
  // UTF-16 (big endian, as read from the file) to Shift_JIS: the non-BMP line has
  // four characters that code page 932 lacks, each a pair written as two
  // substitutes and counted as them; the caller's buffer is not swapped.
  const std::wstring beBefore = be;
  ASSERT_TRUE(c.WideToSjis(be.c_str(), ByteOrder::Big, &s));
  EXPECT_EQ(be, beBefore);
  EXPECT_EQ(s.substr(0, sjis.size()), sjis);
  EXPECT_EQ(c.UnconvertibleCount, 8u);
  EXPECT_EQ(c.UnconvertibleListText(), L"[\U00020BB7][\U0001F600][\U0001F363][\U00029E3D]");
  std::wstring back;
  ASSERT_TRUE(c.SjisToWide(sjis.c_str(), ByteOrder::Little, &back));
  EXPECT_EQ(back, WideFromLE(Fixture(L"classes.utf16le.txt")).substr(0, back.size()));
}

TEST(CodeConvWin, EdgeCasesWithSystemCodePage) {
  CodeConv c;
  std::string s;
  ASSERT_TRUE(c.WideToSjis(L"a\uAC00c", ByteOrder::Little, &s));
  EXPECT_EQ(s, "a??c");
  EXPECT_EQ(c.UnconvertibleListText(), L"[\uAC00]");
  c.SubstituteChar = "\x81\x48";
  ASSERT_TRUE(c.WideToSjis(L"\uAC00", ByteOrder::Little, &s));
  EXPECT_EQ(s, "\x81\x48");
  // A character outside the basic plane: two substitutes, counted as two, listed once.
  c.SubstituteChar = "?";
  c.UnconvertibleCount = 0;
  c.UnconvertibleList.clear();
  ASSERT_TRUE(c.WideToSjis(L"a\xD842\xDFB7" L"b", ByteOrder::Little, &s));
  EXPECT_EQ(s, "a????b");
  EXPECT_EQ(c.UnconvertibleCount, 2u);
  EXPECT_EQ(c.UnconvertibleListText(), L"[\xD842\xDFB7]");
  c.SubstituteChar = "\x81\x48";
  // No best-fit replacement: U+00E9 has no code page 932 form and is reported, not
  // silently turned into 'e'.
  c.UnconvertibleCount = 0;
  ASSERT_TRUE(c.WideToSjis(L"\u00E9", ByteOrder::Little, &s));
  EXPECT_EQ(c.UnconvertibleCount, 1u);
  // The IBM extension kanji of code page 932 are ordinary characters.
  std::wstring w;
  ASSERT_TRUE(c.SjisToWide("\xFB\xFC\xFA\xB1", ByteOrder::Little, &w));
  EXPECT_EQ(w, L"\u9AD9\uFA11");
  ASSERT_TRUE(c.SjisToWide("\x82\xA0", ByteOrder::Big, &w));
  EXPECT_EQ(w, std::wstring(1, static_cast<wchar_t>(0x4230)));
  // ...but have no EUC-JP or JIS form: the substitute, reported.
  c.SubstituteChar = "?";
  c.UnconvertibleCount = 0;
  c.UnconvertibleList.clear();
  ASSERT_TRUE(c.SjisToEuc("\xFB\xFC", &s));
  EXPECT_EQ(s, "??");
  EXPECT_EQ(c.UnconvertibleListText(), L"[\u9AD9]");
}

TEST(CodeConvWin, CaseAndCompareUnicodeMode) {
  CodeConv c;
  EXPECT_TRUE(c.CompareNoCase(L"Hello there", L"hELLO", 5));
  EXPECT_FALSE(c.CompareNoCase(L"Hel", L"hello", 5));
  EXPECT_FALSE(c.CompareNoCase(L"", L"a", 1));
  EXPECT_EQ(c.PosNoCase(L"Hello World", L"wORLD"), 7u);
  EXPECT_EQ(c.PosNoCase(L"abc", L""), 0u);
  EXPECT_EQ(c.UpperCaseWide(L"abc\uFF41"), L"ABC\uFF21");
  EXPECT_EQ(c.LowerCaseWide(L"ABC"), L"abc");
  EXPECT_EQ(c.CompareLocale(NORM_IGNORECASE, L"abc", 3, L"ABC", 3), CSTR_EQUAL);
  EXPECT_EQ(CodeConv::ReplaceAllWide(L"a\r\nb\n", L"\n", L"\r\n"), L"a\r\nb\r\n");
}

// On the narrow path the counts are the byte lengths of the narrowed
// characters, so the second kanji takes part in the compare.
TEST(CodeConvWin, CaseAndCompareNarrowPath) {
  CodeConv c;
  c.SetUnicodeMode(false);
  EXPECT_FALSE(c.CompareNoCase(L"\u65E5\u672C", L"\u65E5\u6728", 2));
  EXPECT_TRUE(c.CompareNoCase(L"\u65E5\u672Cabc", L"\u65E5\u672CABC", 5));
  EXPECT_FALSE(c.CompareNoCase(L"\u65E5", L"\u65E5\u672C", 2));
  EXPECT_EQ(c.UpperCaseWide(L"\u3042abc"), L"\u3042ABC");
  EXPECT_EQ(c.PosNoCase(L"\u65E5\u672Cxyz", L"XY"), 3u);
}

TEST(CodeConvWin, JisShiftAtOnFile) {
  std::wstring dir = testsupport::MakeTempDir(L"conv");
  std::wstring path = dir + L"\\j.txt";
  // a ESC $ @ 24 22 24 24 ESC ( B b
  ASSERT_TRUE(testsupport::WriteBytes(path, "a\x1B$@\x24\x22\x24\x24\x1B(Bb"));
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CodeConv c;
  std::string buf = "\x24\x24\x1B(Bb";
  int64_t count = 6;
  int pumps = 0;
  EXPECT_EQ(c.JisShiftAt(h, 6, &buf, &count, 6, [&] { ++pumps; }), conv::JisRunKind::DoubleByte);
  EXPECT_EQ(buf, "\x1B$@\x24\x24\x1B(Bb");
  EXPECT_EQ(count, 6 + 3 + 3);  // the run start, and ESC ( B inside the range
  EXPECT_GT(pumps, 0);
  std::string sj;
  ASSERT_TRUE(c.JisToSjis(buf.c_str(), &sj));
  EXPECT_EQ(sj, "\x82\xA2" "b");
  CloseHandle(h);
  DeleteFileW(path.c_str());
  RemoveDirectoryW(dir.c_str());
}
