// Selvane.dll as the program uses it: loaded by base name from the
// program's folder, the two exports resolved by name, its cases with the
// system's LCMapStringA under the Japanese locale.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "conversion/SelvaneApi.h"

namespace {

// A resolved export as its real type (through void (*)(void), which GCC accepts
// without -Wcast-function-type).
template <class F, class P>
F ProcAs(P p) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(p));
}

class SelvaneDll : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("Selvane");
    ASSERT_NE(module_, nullptr) << "Selvane.dll not found beside the test";
    convert_ = ProcAs<StringConversionProc>(GetProcAddress(module_, "_StringConversion"));
    deleteBuf_ = ProcAs<DeleteBufProc>(GetProcAddress(module_, "_DeleteBuf"));
    ASSERT_NE(convert_, nullptr);
    ASSERT_NE(deleteBuf_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  // As TInputTextDlg::CallStringConversion: copy the result, then _DeleteBuf.
  std::string Call(const std::string& text, const char* mode, int type, bool toHalf, bool* isNull = nullptr) {
    char* r = convert_(text.c_str(), mode, type, toHalf, "");
    if (isNull) *isNull = r == nullptr;
    std::string copy = r ? r : "";
    deleteBuf_();
    return copy;
  }
  HMODULE module_ = nullptr;
  StringConversionProc convert_ = nullptr;
  DeleteBufProc deleteBuf_ = nullptr;
};

const IMAGE_DATA_DIRECTORY& Directory(HMODULE h, int index) {
  auto base = reinterpret_cast<const unsigned char*>(h);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->OptionalHeader.DataDirectory[index];
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

TEST_F(SelvaneDll, ExportsExactlyTheTwoNames) {
  auto base = reinterpret_cast<const unsigned char*>(module_);
  const IMAGE_DATA_DIRECTORY& d = Directory(module_, IMAGE_DIRECTORY_ENTRY_EXPORT);
  ASSERT_NE(d.VirtualAddress, 0u);
  auto exp = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + d.VirtualAddress);
  auto names = reinterpret_cast<const DWORD*>(base + exp->AddressOfNames);
  std::set<std::string> found;
  for (DWORD i = 0; i < exp->NumberOfNames; ++i) found.insert(reinterpret_cast<const char*>(base + names[i]));
  EXPECT_EQ(found, (std::set<std::string>{"_DeleteBuf", "_StringConversion"}));
  EXPECT_EQ(exp->NumberOfFunctions, 2u);
  EXPECT_EQ(GetProcAddress(module_, "StringConversion"), nullptr);
  EXPECT_EQ(GetProcAddress(module_, "DeleteBuf"), nullptr);
  EXPECT_EQ(GetProcAddress(module_, "DllMain"), nullptr);
}

TEST_F(SelvaneDll, ImportsOnlySystemDlls) {
  auto base = reinterpret_cast<const unsigned char*>(module_);
  const IMAGE_DATA_DIRECTORY& d = Directory(module_, IMAGE_DIRECTORY_ENTRY_IMPORT);
  ASSERT_NE(d.VirtualAddress, 0u);
  std::set<std::string> dlls;
  for (auto imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + d.VirtualAddress); imp->Name; ++imp)
    dlls.insert(Lower(reinterpret_cast<const char*>(base + imp->Name)));
  EXPECT_EQ(dlls, (std::set<std::string>{"kernel32.dll", "msvcrt.dll"}));
}

TEST_F(SelvaneDll, ModeNamesAreCaseSensitive) {
  bool isNull = false;
  Call("AB", "topbigabc", 0, true, &isNull);
  EXPECT_TRUE(isNull);
  Call("AB", "Nothing", 0, false, &isNull);
  EXPECT_TRUE(isNull);
  EXPECT_EQ(Call("HELLO WORLD", "TopBigABC", 7, true, &isNull), "Hello World");
  EXPECT_FALSE(isNull);
}

TEST_F(SelvaneDll, WholeTextWidth) {
  // ｱｲｳ to アイウ, and full-width Latin letters and digits to ASCII.
  EXPECT_EQ(Call("\xB1\xB2\xB3", "", 7, false), "\x83\x41\x83\x43\x83\x45");
  EXPECT_EQ(Call("\x82\x60\x82\x81\x82\x4F\x82\x58", "", 7, true), "Aa09");
  bool isNull = true;
  EXPECT_EQ(Call("", "", 7, false, &isNull), "");
  EXPECT_FALSE(isNull);
}

TEST_F(SelvaneDll, LettersAndDigits) {
  EXPECT_EQ(Call("ab12", "", 4, false), "\x82\x81\x82\x82" "12");
  EXPECT_EQ(Call("ab12", "", 5, false), "ab\x82\x50\x82\x51");
  EXPECT_EQ(Call("\x82\x81\x82\x82\x82\x50", "", 4, true), "ab\x82\x50");
}

TEST_F(SelvaneDll, KatakanaWidthMapsVoicedMarkWithItsCharacter) {
  EXPECT_EQ(Call("\xB6\xDE", "", 3, false), "\x83\x4B");  // ｶﾞ -> ガ
  EXPECT_EQ(Call("a\xB6\xDE" "b", "", 3, false), "a\x83\x4B" "b");
  EXPECT_EQ(Call("\x83\x4B", "", 3, true), "\xB6\xDE");   // ガ -> ｶﾞ
}

TEST_F(SelvaneDll, KanaModes) {
  // HalfKataToHira: ｱ x ｲ -> あ x い; HiraToHalfKata back.
  EXPECT_EQ(Call("\xB1x\xB2", "HalfKataToHira", 0, true), "\x82\xA0x\x82\xA2");
  EXPECT_EQ(Call("\x82\xA0x\x82\xA2", "HiraToHalfKata", 0, true), "\xB1x\xB2");
  // KataToHira / HiraToKata over the whole text.
  EXPECT_EQ(Call("\x83\x41\x83\x43" "a", "KataToHira", 0, true), "\x82\xA0\x82\xA2" "a");
  EXPECT_EQ(Call("\x82\xA0\x82\xA2" "a", "HiraToKata", 0, true), "\x83\x41\x83\x43" "a");
}

TEST_F(SelvaneDll, SymbolWidthKeepsKanjiAndKana) {
  // 漢，あ！ -> 漢,あ!
  EXPECT_EQ(Call("\x8A\xBF\x81\x43\x82\xA0\x81\x49", "", 6, true), "\x8A\xBF,\x82\xA0!");
  // ! and ｡ to full width.
  EXPECT_EQ(Call("a!\xA1", "", 6, false), "a\x81\x49\x81\x42");
}

TEST_F(SelvaneDll, TopBigABC) {
  EXPECT_EQ(Call("HELLO WORLD", "TopBigABC", 0, true), "Hello World");
  EXPECT_EQ(Call("\x82\x60\x82\x61\x81\x40\x82\x62\x82\x63", "TopBigABC", 0, true),
            "\x82\x60\x82\x82\x81\x40\x82\x62\x82\x84");
  EXPECT_EQ(Call("A1BC", "TopBigABC", 0, true), "A1Bc");
}

TEST_F(SelvaneDll, LoneLeadByteBeforeTerminator) {
  EXPECT_EQ(Call("a\x82", "", 4, true), "a\x82");
  EXPECT_EQ(Call("\x81", "", 6, true), "\x81");
  EXPECT_EQ(Call("AB\x83", "TopBigABC", 0, true), "Ab\x83");
}

TEST_F(SelvaneDll, AnyNonZeroToHalfByteMeansHalfWidth) {
  // The flag is one byte in a 4-byte slot; a caller that is not C++ may pass any
  // non-zero byte for true.
  typedef char*(__cdecl * ByteFlagProc)(const char*, const char*, int, unsigned char, const char*);
  auto raw = ProcAs<ByteFlagProc>(convert_);
  char* r = raw("\x82\x60\x82\x4F", "", 7, 2, "");
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r, "A0");
  r = raw("\x82\x60\x82\x4F", "", 7, 0x80, "");
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r, "A0");
  deleteBuf_();
}

TEST_F(SelvaneDll, ResultLifetime) {
  // A second conversion without _DeleteBuf frees the first; _DeleteBuf twice is harmless.
  char* first = convert_("abc", "", 4, false, "");
  ASSERT_NE(first, nullptr);
  char* second = convert_("xyz", "", 4, false, "");
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(second, "\x82\x98\x82\x99\x82\x9A");
  deleteBuf_();
  deleteBuf_();
  // No match leaves the pending result alone.
  char* kept = convert_("k", "", 4, false, "");
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(convert_("k", "none", 0, false, ""), nullptr);
  EXPECT_STREQ(kept, "\x82\x8B");
  deleteBuf_();
  // Null pointers are the empty text.
  char* r = convert_(nullptr, nullptr, 7, false, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r, "");
  EXPECT_EQ(convert_(nullptr, nullptr, 0, false, nullptr), nullptr);
  // Unloading with a pending result frees it (process detach; nothing to observe
  // but that it does not crash).
  ASSERT_NE(convert_("abc", "", 4, false, ""), nullptr);
}
