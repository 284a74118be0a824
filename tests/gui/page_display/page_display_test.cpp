// Opening files and showing pages in the real main window under wine: every
// sample code, forcing a code, the edge cases of small files and files
// without line ends, NUL units, a file above the viewable size, and the
// selection placed on the page.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/FileOps.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"

using namespace std::string_literals;

namespace {

class PageDisplay : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"pd");
    // A window lower than the samples are long, so that their first page is cut.
    StartForm(0, 0, 1000, 520);
    canonical_ = Cp932ToWide(testsupport::ReadBytes(Sample(L"sjis_crlf.txt")));
    ASSERT_GT(canonical_.size(), 500u);
  }
  void TearDown() override {
    EndMainWindow();
    SetViewableSizeLimitForTest(0);
  }
  std::wstring SelectedText() {
    return form_->IsWideView() ? form_->GetSelTextWide() : Cp932ToWide(form_->GetSelTextNarrow());
  }
  static int CountCrLf(const std::wstring& t) {
    int n = 0;
    for (size_t k = 0; (k = t.find(L"\r\n", k)) != std::wstring::npos; k += 2) ++n;
    return n;
  }
  // The view shows whole lines from the start of `expected`, as many as fit.
  void ExpectFirstPage(const std::wstring& expected) {
    const std::wstring shown = ViewText();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown, expected.substr(0, shown.size()));
    ASSERT_LT(shown.size(), expected.size());  // the samples are longer than one page
    EXPECT_EQ(expected.compare(shown.size(), 2, L"\r\n"), 0) << "the page ends at a line end";
    EXPECT_EQ(CountCrLf(shown) + 1, form_->LinesPerPage());
  }

  std::wstring canonical_;
};

TEST_F(PageDisplay, EverySampleOpensInItsCodeAndShowsItsFirstPage) {
  struct Row {
    const wchar_t* file;
    bool autoDetect;
    int code, order, bom;
    bool pane;
    bool leadingEmptyLine;
    const wchar_t* label;
  } rows[] = {
      {L"sjis_crlf.txt", false, 0, 1, 0, false, false, L""},
      {L"sjis_crlf.txt", true, 0, 1, 0, false, false, L"SJIS > "},
      {L"utf8_bom.txt", false, 2, 1, 3, true, false, L"UTF8 Bom 有り> "},
      {L"utf8_nobom.txt", true, 2, 1, 0, true, false, L"UTF8 Bom 無し> "},
      {L"utf16le_bom.txt", false, 1, 1, 2, true, false, L"Unicode Bom 有り > "},
      {L"utf16be_bom.txt", false, 1, 0, 2, true, false, L"Unicode big Bom 有り > "},
      {L"utf16le_nobom.txt", false, 1, 1, 0, true, true, L"Unicode Bom 無し > "},
      {L"utf16be_nobom.txt", false, 1, 0, 0, true, true, L"Unicode big Bom 無し > "},
      {L"eucjp.txt", true, 3, 1, 0, false, false, L"EUC > "},
      {L"jis.txt", true, 4, 1, 0, false, false, L"JIS > "},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.file << (r.autoDetect ? " (auto)" : ""));
    form_->Settings.AutoDetectCode = r.autoDetect;
    form_->OpenFile(Sample(r.file));
    EXPECT_EQ(form_->Doc.TextCode, r.code);
    EXPECT_EQ(form_->Doc.ByteOrder, r.order);
    EXPECT_EQ(form_->Doc.BomLength, r.bom);
    EXPECT_EQ(form_->ComboBox1->ItemIndex(), r.code);
    EXPECT_EQ(form_->ComboBox2->Enabled(), r.code == 1);
    EXPECT_EQ(form_->IsWideView(), r.pane);
    EXPECT_EQ(form_->Memo1->Visible(), !r.pane);
    if (r.pane) EXPECT_TRUE(IsWindowVisible(form_->CurrentPane));
    EXPECT_EQ(form_->FrameLabelText, L"  [ " + std::wstring(r.label) + r.file + L" ]");
    // The selection starts after the mark, in the code's units.
    EXPECT_EQ(form_->Doc.SelStart, r.code == 1 ? r.bom / 2 : r.bom);
    ExpectFirstPage(r.leadingEmptyLine ? L"\r\n" + canonical_ : canonical_);
    EXPECT_EQ(form_->MyTrackBar1->Max(), GetFileSize64(Sample(r.file)));
    EXPECT_EQ(form_->MyTrackBar1->Position(), 0);
  }
  // The lines-only sample: its lone LF are line ends of the page cut.
  form_->Settings.AutoDetectCode = true;
  form_->OpenFile(Sample(L"sjis_lf.txt"));
  EXPECT_EQ(form_->Doc.TextCode, 0);
  EXPECT_EQ(form_->CodeLabel, L"SJIS > ");
  std::wstring lf = canonical_;
  for (size_t k = 0; (k = lf.find(L"\r\n", k)) != std::wstring::npos;) lf.erase(k, 1);
  const std::wstring shown = ViewText();
  EXPECT_EQ(shown, lf.substr(0, shown.size()));
  EXPECT_EQ(lf[shown.size()], L'\n');
  EXPECT_TRUE(messages_.empty());
}

TEST_F(PageDisplay, ForcingACodeShowsTheFileAgainInThatCode) {
  form_->OpenFile(Sample(L"utf8_nobom.txt"));  // detection off: Shift_JIS
  EXPECT_EQ(form_->Doc.TextCode, 0);
  EXPECT_NE(ViewText().substr(0, 20), canonical_.substr(0, 20));
  form_->ComboBox1->SetItemIndex(2);
  form_->ComboBox1Change();
  EXPECT_EQ(form_->Doc.TextCode, 2);
  EXPECT_TRUE(form_->IsWideView());
  ExpectFirstPage(canonical_);

  // "UTF16" on a file with the UTF-8 mark: little endian without mark, from offset 0.
  form_->OpenFile(Sample(L"utf8_bom.txt"));
  form_->ComboBox1->SetItemIndex(1);
  form_->ComboBox1Change();
  EXPECT_EQ(form_->Doc.TextCode, 1);
  EXPECT_EQ(form_->Doc.ByteOrder, 1);
  EXPECT_EQ(form_->Doc.BomLength, 0);
  EXPECT_EQ(form_->Doc.SelStart, 0);
  EXPECT_TRUE(form_->ComboBox2->Enabled());

  // Back to Shift_JIS with the code box on a file that has gone: the box
  // shows the code still in force.
  const std::wstring gone = File(L"gone.txt", "abc\r\n");
  form_->OpenFile(gone);
  ASSERT_TRUE(DeleteFileW(gone.c_str()));
  form_->ComboBox1->SetItemIndex(3);
  form_->ComboBox1Change();
  EXPECT_EQ(form_->Doc.TextCode, 0);
  EXPECT_EQ(form_->ComboBox1->ItemIndex(), 0);
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(PageDisplay, AFileThatCannotBeOpenedLeavesTheDocumentWhole) {
  form_->OpenFile(Sample(L"utf16be_bom.txt"));
  const std::wstring page = ViewText();
  const DocumentState before = form_->Doc;
  form_->OpenFile(folder_ + L"missing.txt");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(messages_[0].empty());
  EXPECT_EQ(form_->Doc.FilePath, before.FilePath);
  EXPECT_EQ(form_->Doc.TextCode, before.TextCode);
  EXPECT_EQ(form_->Doc.ByteOrder, before.ByteOrder);
  EXPECT_EQ(form_->Doc.FileSize, before.FileSize);
  EXPECT_EQ(form_->WatchPath, before.FilePath);
  EXPECT_EQ(ViewText(), page);
}

TEST_F(PageDisplay, SmallFilesAndFilesWithoutLineEnds) {
  // 20 bytes without a line end: every position below 20 shows the page from 0.
  form_->OpenFile(File(L"twenty.txt", "abcdefghijklmnopqrst"));
  EXPECT_EQ(ViewText(), L"abcdefghijklmnopqrst");
  EXPECT_EQ(form_->MyTrackBar1->Max(), 20);
  for (int64_t p : {1, 10, 19}) {
    form_->SetTextNarrow("x");
    form_->ShowPage(false, true, p);
    EXPECT_EQ(ViewText(), L"abcdefghijklmnopqrst") << p;
    EXPECT_EQ(form_->MyTrackBar1->Position(), 0);
  }
  form_->SetTextNarrow("x");
  form_->ShowPage(false, true, 20);  // at the end: nothing shown
  EXPECT_EQ(ViewText(), L"x");

  // 40 bytes, one CR LF at 9 and 10: the line start 11 is not below 40 - 32.
  std::string forty(40, 'b');
  forty.replace(0, 9, "aaaaaaaaa");
  forty[9] = '\r';
  forty[10] = '\n';
  form_->OpenFile(File(L"forty.txt", forty));
  const std::wstring first = ViewText();
  EXPECT_EQ(form_->MyTrackBar1->Max(), 40);
  form_->ShowPage(false, true, 20);
  EXPECT_EQ(ViewText(), first);
  EXPECT_EQ(form_->MyTrackBar1->Position(), 0);

  // One byte: the page at offset 0 is shown.
  form_->OpenFile(File(L"one.txt", "Z"));
  EXPECT_EQ(ViewText(), L"Z");
  EXPECT_EQ(form_->CodeLabel, L"");

  // No line end at all: from the middle the page starts at 0.
  std::string flat(200000, 'q');
  form_->OpenFile(File(L"flat.txt", flat));
  form_->ShowPage(false, true, 150000);
  EXPECT_EQ(form_->MyTrackBar1->Position(), 0);
  EXPECT_EQ(ViewText().substr(0, 5), L"qqqqq");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(PageDisplay, LoneLineEndsAndTheCrLfSwitch) {
  // A lone LF: the scans pass it while the switch is off, the cut counts it.
  std::string t;
  for (int i = 0; i < 200; ++i) t += "line " + std::to_string(i) + (i % 2 ? "\n" : "\r\n");
  form_->OpenFile(File(L"mixed.txt", t));
  const int lines = form_->LinesPerPage();
  std::wstring shown = ViewText();
  int ends = 0;
  for (wchar_t c : shown) ends += c == L'\n';
  EXPECT_EQ(ends, lines - 1);
  // From the middle of line 3 ("line 3\n" starts after "line 2\r\n"): the
  // page starts after the CR LF of line 2 with the switch off ...
  const int64_t line3 = static_cast<int64_t>(t.find("line 3"));
  const int64_t line4 = static_cast<int64_t>(t.find("line 4"));
  form_->ShowPage(false, true, line4 + 2);
  EXPECT_EQ(form_->MyTrackBar1->Position(), line3);
  // ... and after the lone LF of line 3 with it on; the memo then shows each
  // lone LF as a line break of its own.
  form_->CheckBox6->SetChecked(true);
  form_->ShowPage(false, true, line4 + 2);
  EXPECT_EQ(form_->MyTrackBar1->Position(), line4);
  EXPECT_EQ(form_->Memo1->Text().substr(0, 14), "line 4\r\nline 5");
}

TEST_F(PageDisplay, ThreeNulsShowAsThreeAtSignsWithOneNotice) {
  const std::wstring p = File(L"zeros.txt", "ab\0cd\0\0ef\r\ngh\r\n"s);
  form_->OpenFile(p);
  // A short page keeps its last line end (only a final CR would go).
  EXPECT_EQ(ViewText(), L"ab@cd@@ef\r\ngh\r\n");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"テキストデータのゼロ（0x00）の部分、3個所をアットマーク'@'（0x40）に置き換えて表示します。");
  form_->ShowPage(true, true, 0);
  EXPECT_EQ(ViewText(), L"ab@cd@@ef\r\ngh\r\n");
  EXPECT_EQ(messages_.size(), 1u);  // once per opened file
  form_->ComboBox1->SetItemIndex(3);
  form_->ComboBox1Change();
  EXPECT_EQ(messages_.size(), 1u);  // a forced code does not arm it again
  form_->OpenFile(p);
  EXPECT_EQ(messages_.size(), 2u);

  // UTF-16 big endian: a NUL unit shows as "@" too (not as U+4000).
  form_->OpenFile(File(L"zeros16.txt", "\xFE\xFF\0a\0\0\0b"s));
  EXPECT_EQ(ViewText(), L"a@b");
}

TEST_F(PageDisplay, FileAboveTheViewableSizeShowsItsFirstAndLastPages) {
  // A sparse file of 2^50 + 1 bytes in memory-backed storage, with text at
  // both ends.
  const int64_t size = (int64_t(1) << 50) + 1;
  const std::wstring p = L"Z:\\dev\\shm\\vastrel_huge_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  HANDLE h = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no /dev/shm";
  LARGE_INTEGER at;
  at.QuadPart = size;
  const bool sized = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  DWORD done = 0;
  at.QuadPart = 0;
  SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
  WriteFile(h, "first line\r\nsecond line\r\n", 25, &done, nullptr);
  at.QuadPart = size - 3000;
  SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
  WriteFile(h, "\r\nnear the end\r\nlast line\r\n", 27, &done, nullptr);
  CloseHandle(h);
  if (!sized) {
    DeleteFileW(p.c_str());
    GTEST_SKIP() << "the file system holds no file of that size";
  }

  const std::wstring notice = L"このファイルは1024TBを超えています。1024TBまでの閲覧だけが行えます。";
  auto notices = [&] { return std::count(messages_.begin(), messages_.end(), notice); };
  form_->OpenFile(p);
  EXPECT_EQ(notices(), 1);
  // The sparse part reads as NUL bytes: the first page has its NUL notice too.
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(form_->Doc.FileSize, int64_t(1) << 50);
  EXPECT_EQ(form_->MyTrackBar1->Max(), int64_t(1) << 50);
  EXPECT_FALSE(form_->CheckBox1->Enabled());
  EXPECT_TRUE(form_->CheckBox1->Checked());
  EXPECT_EQ(ViewText().substr(0, 23), L"first line\r\nsecond line");

  // Near the end: the page starts at the line start before the position; the
  // scan reads back over the zeros in blocks and does not hang.
  form_->ShowPage(true, true, size - 3000 + 8);
  EXPECT_EQ(form_->MyTrackBar1->Position(), size - 3000 + 2);
  EXPECT_EQ(ViewText().substr(0, 12), L"near the end");
  EXPECT_EQ(notices(), 2);  // asked with notices: the notice again
  form_->ShowPage(false, true, size - 1000);
  EXPECT_EQ(notices(), 2);
  DeleteFileW(p.c_str());
}

TEST_F(PageDisplay, ViewableLimitSeamCapsTheSlider) {
  SetViewableSizeLimitForTest(1000);
  std::string t;
  for (int i = 0; i < 200; ++i) t += "row " + std::to_string(i) + "\r\n";
  ASSERT_GT(t.size(), 1000u);
  form_->OpenFile(File(L"capped.txt", t));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(form_->MyTrackBar1->Max(), 1000);
  EXPECT_EQ(form_->RealFileSize, static_cast<int64_t>(t.size()));
  // Positions up to the cap show; the lines past it are not reached.
  form_->ShowPage(false, true, 960);
  EXPECT_LT(form_->MyTrackBar1->Position(), 1000 - 32);
  EXPECT_GT(form_->MyTrackBar1->Position(), 800);
}

// The selection given in the file's units shows on the same characters in
// every code: the second line of the sample selected whole.
TEST_F(PageDisplay, SelectionInTheFileShowsOnTheRightCharacters) {
  const std::wstring line2 = canonical_.substr(canonical_.find(L"\r\n") + 2,
                                               canonical_.find(L"\r\n", canonical_.find(L"\r\n") + 2) -
                                                   canonical_.find(L"\r\n") - 2);
  struct Row {
    const wchar_t* file;
    int code;
  } rows[] = {{L"sjis_crlf.txt", 0}, {L"utf8_bom.txt", 2},  {L"utf8_nobom.txt", 2}, {L"utf16le_bom.txt", 1},
              {L"utf16be_bom.txt", 1}, {L"eucjp.txt", 3}, {L"jis.txt", 4}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.file);
    form_->Settings.AutoDetectCode = true;
    form_->OpenFile(Sample(r.file));
    ASSERT_EQ(form_->Doc.TextCode, r.code);
    const std::string bytes = testsupport::ReadBytes(Sample(r.file));
    // The second line's start and end in the file's units.
    int64_t start = -1, end = -1;
    if (r.code == 1) {
      const bool be = form_->Doc.ByteOrder == 0;
      const std::string crlf = be ? "\0\r\0\n"s : "\r\0\n\0"s;
      size_t first = 0;
      while ((first = bytes.find(crlf, first)) % 2) ++first;
      size_t second = first + 4;
      while ((second = bytes.find(crlf, second)) % 2) ++second;
      start = static_cast<int64_t>(first + 4) / 2;
      end = static_cast<int64_t>(second) / 2;
    } else {
      start = static_cast<int64_t>(bytes.find("\r\n") + 2);
      end = static_cast<int64_t>(bytes.find("\r\n", static_cast<size_t>(start)));
    }
    form_->Doc.SelStart = start;
    form_->Doc.SelLength = end - start;
    form_->ShowPage(false, true, 0);
    EXPECT_EQ(SelectedText(), line2);
    EXPECT_TRUE(form_->ViewHasSelection);
    // A selection made backwards is the same selection.
    form_->Doc.SelStart = end;
    form_->Doc.SelLength = start - end;
    form_->ShowPage(false, true, 0);
    EXPECT_EQ(SelectedText(), line2);
    // The caret alone, at the start of the second line.
    form_->Doc.SelStart = start;
    form_->Doc.SelLength = 0;
    form_->ShowPage(false, true, 0);
    EXPECT_EQ(form_->GetSelLength(), 0);
    const size_t caret = static_cast<size_t>(form_->GetSelStart());
    const size_t before = form_->IsWideView() ? caret : Cp932ToWide(form_->Memo1->Text().substr(0, caret)).size();
    EXPECT_EQ(before, canonical_.find(L"\r\n") + 2);
  }
}

}  // namespace

namespace {

TEST_F(PageDisplay, SharedTextAndListRoutines) {
  TStringList list;
  form_->SplitLines(list, L"a\r\n\r\nb", false, true);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(GetItemWide(list, 1), L"");
  EXPECT_EQ(list.Get(0), "");  // the text rides on the object
  form_->SplitLines(list, L"a\r\n\r\nb", true, true);
  ASSERT_EQ(list.Count(), 2);
  form_->SplitLines(list, L"x\r\n", false, false);  // appended; a trailing empty item
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(form_->JoinLines(list), L"a\r\nb\r\nx\r\n");
  form_->SplitLines(list, L"", false, true);
  EXPECT_EQ(list.Count(), 0);

  std::wstring big;
  for (int i = 0; i < 3000; ++i) big += L"行" + std::to_wstring(i) + L"\r\n";
  form_->SplitLines(list, big, false, true);
  EXPECT_EQ(form_->JoinLines(list), big);  // longer than any first buffer

  TStringList marks;
  AddWithWideCopy(marks, L"7@9#1=other");
  marks.Add("100@205#12=title");  // narrow, without an object
  form_->UnicodeMode = false;
  EXPECT_EQ(form_->FindItemWide(marks, L"205"), 1);
  form_->UnicodeMode = true;
  AddWithWideCopy(marks, L"100@205#12=title");
  EXPECT_EQ(form_->FindItemWide(marks, L"205"), 2);
  EXPECT_EQ(form_->FindItemWide(marks, L"100"), -1);
  EXPECT_EQ(form_->FindItemWide(marks, L"12"), -1);
  form_->FreeItemObject(marks, 0, false);
  EXPECT_EQ(GetItemWide(marks, 0), L"");
  EXPECT_EQ(marks.Count(), 3);
  form_->FreeItemObjects(marks, true);
  EXPECT_EQ(marks.Count(), 0);

  EXPECT_EQ(*form_->WidePtr(L""), L'\0');
  const std::wstring abc = L"abc";
  EXPECT_EQ(*form_->WideCharAt(abc, 2), L'b');

  // Lengths in every code; a character code page 932 lacks counts as its
  // substitute and is not reported anywhere.
  const std::wstring t = L"あAｱ";
  const int64_t expected[] = {4, 3, 7, 5, 4};
  for (int code = 0; code < 5; ++code) {
    form_->Doc.TextCode = code;
    EXPECT_EQ(form_->EncodedLength(t), expected[code]) << code;
  }
  form_->Doc.TextCode = 0;
  form_->Conv.UnconvertibleCount = 0;
  EXPECT_EQ(form_->EncodedLength(L"한A"), 3);
  EXPECT_EQ(form_->Conv.UnconvertibleCount, 0u);
  EXPECT_TRUE(form_->Conv.UnconvertibleList.empty());

  // A glyph on a coloured square: the colour shows where the image leaves it.
  TBitmap glyph;
  form_->MakeGlyphBitmap(glyph, 13, RGB(1, 2, 3));
  EXPECT_EQ(glyph.Width(), 16);
  EXPECT_EQ(glyph.Height(), 16);
  int coloured = 0, other = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) (glyph.Canvas().Pixel(x, y) == RGB(1, 2, 3) ? coloured : other)++;
  EXPECT_GT(coloured, 0);
  EXPECT_GT(other, 0);  // the image is drawn on it
}

}  // namespace

namespace {

TEST_F(PageDisplay, OpenDialogAndCommandLineOpenTheFile) {
  form_->LastFolder = L"C:\\somewhere";
  FileDialogRequest asked;
  int calls = 0;
  {
    ScopedFileDialogHandler dialog([&](const FileDialogRequest& r, std::wstring& buffer) {
      asked = r;
      ++calls;
      buffer = Sample(L"utf16le_bom.txt");
      return true;
    });
    form_->Open1->Click();
  }
  ASSERT_EQ(calls, 1);
  EXPECT_FALSE(asked.save);
  EXPECT_EQ(asked.initialDir, L"C:\\somewhere");
  EXPECT_NE(asked.filter.find(L"*.txt"), std::wstring::npos);
  EXPECT_EQ(form_->Doc.FilePath, Sample(L"utf16le_bom.txt"));
  EXPECT_EQ(form_->Doc.TextCode, 1);
  EXPECT_TRUE(form_->CheckBox1->Checked());
  // The next dialog starts in the file's folder.
  EXPECT_EQ(form_->LastFolder, testsupport::SourcePath(L"samples"));
  ExpectFirstPage(canonical_);

  // A cancelled dialog changes nothing.
  {
    ScopedFileDialogHandler dialog([&](const FileDialogRequest&, std::wstring&) { return false; });
    form_->Open1->Click();
  }
  EXPECT_EQ(form_->Doc.FilePath, Sample(L"utf16le_bom.txt"));

  // The command line: the first file is opened when the window shows.
  form_->Free();
  TVastrelForm::ArgumentsOverride = {L"Vastrel.exe", Sample(L"eucjp.txt")};
  form_ = NewForm<TVastrelForm>();
  form_->SetBounds(0, 0, 1000, 520);
  form_->Settings.AutoDetectCode = true;
  form_->Show();
  Application->ProcessMessages();
  EXPECT_EQ(form_->Doc.FilePath, Sample(L"eucjp.txt"));
  EXPECT_EQ(form_->Doc.TextCode, 3);
  ExpectFirstPage(canonical_);
}

TEST_F(PageDisplay, ForwardScanAndLineBookkeeping) {
  std::string t;
  for (int i = 0; i < 300; ++i) t += "line " + std::to_string(i) + "\r\n";
  form_->OpenFile(File(L"lines.txt", t));
  EXPECT_EQ(form_->Doc.FirstLineNumber, 0);
  // Moving forward from inside line 0 starts the page at line 1.
  form_->MovingForward = true;
  form_->ShowPage(false, false, 3);
  EXPECT_EQ(form_->MyTrackBar1->Position(), 8);
  EXPECT_EQ(form_->Doc.FirstLineNumber, 1);
  EXPECT_EQ(form_->LastLineStart, 8);
  EXPECT_EQ(form_->Panel3->TextW(), L"2");
  // Moving back two lines from there.
  form_->MovingForward = false;
  form_->MovingBack = true;
  form_->LinesPerStep = 1;
  form_->ShowPage(false, false, 8 + 8 + 3);  // inside line 2
  EXPECT_EQ(form_->MyTrackBar1->Position(), 8);
  form_->MovingBack = false;
}

TEST_F(PageDisplay, LoneLineEndsBeforeTheCaretAndInTheSelection) {
  form_->CheckBox6->SetChecked(true);
  form_->OpenFile(File(L"lone.txt", "a\nb\r\nc\nd\r\ne"));
  ASSERT_EQ(form_->Memo1->Text(), "a\r\nb\r\nc\r\nd\r\ne");
  form_->SetSelection(12, 12);  // on "e", line 4
  EXPECT_EQ(form_->CountLinesToCaret(0, true), 2);
  form_->SetSelection(3, 10);   // from "b" (line 1) into "d" (line 3)
  EXPECT_EQ(form_->CountLinesToCaret(0, false), 1);
  form_->SetSelection(3, 4);    // within one line
  EXPECT_EQ(form_->CountLinesToCaret(0, false), 0);
  form_->OpenFile(File(L"lone2.txt", "a\nb\nc"));
  form_->SetSelection(0, 6);    // two whole lines with their lone line ends
  EXPECT_EQ(form_->CountLinesToCaret(0, false), 2);
  EXPECT_EQ(form_->CountLinesToCaret(100, true), -1);  // past the end
}

}  // namespace

namespace {

TEST_F(PageDisplay, ListedExtensionsAndPlainAscii) {
  form_->Settings.OpenExtensions = ".txt.ini.log";
  form_->Settings.AutoDetectCode = true;
  // A substring test: ".lo" is in ".log".
  form_->OpenIfListedExt(File(L"short.lo", "plain ascii\r\n"));
  EXPECT_EQ(form_->Doc.FilePath, folder_ + L"short.lo");
  // Pure ASCII with the detection on: nothing counted, no label.
  EXPECT_EQ(form_->Doc.TextCode, 0);
  EXPECT_EQ(form_->CodeLabel, L"");
  EXPECT_EQ(form_->FrameLabelText, L"  [ short.lo ]");
  // The extension is the name's: a dot in a folder name does not count.
  ASSERT_TRUE(CreateDirectoryW((folder_ + L"my.txt").c_str(), nullptr));
  const std::wstring noExt = folder_ + L"my.txt\\README";
  ASSERT_TRUE(testsupport::WriteBytes(noExt, "x"));
  form_->OpenIfListedExt(noExt);
  EXPECT_EQ(form_->Doc.FilePath, folder_ + L"short.lo");
  form_->OpenIfListedExt(File(L"data.bin", "x"));
  EXPECT_EQ(form_->Doc.FilePath, folder_ + L"short.lo");
}

}  // namespace

namespace {

// Paging a file of several gigabytes with the slider: a sparse file with
// blocks of text lines every 256 MiB.
TEST_F(PageDisplay, SliderPagesThroughAMultiGigabyteFile) {
  const int64_t size = int64_t(5) << 30, every = int64_t(256) << 20;
  const std::wstring p = L"Z:\\dev\\shm\\vastrel_big_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  HANDLE h = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no /dev/shm";
  LARGE_INTEGER at;
  at.QuadPart = size;
  ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h));
  for (int64_t block = 0; block * every < size; ++block) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "block " + std::to_string(block) + " line " + std::to_string(i) + "\r\n";
    at.QuadPart = block * every;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    DWORD done = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  }
  CloseHandle(h);

  form_->OpenFile(p);
  EXPECT_EQ(form_->MyTrackBar1->Max(), size);
  EXPECT_EQ(ViewText().substr(0, 14), L"block 0 line 0");
  for (int64_t block : {10, 3, 19, 1}) {
    SCOPED_TRACE(block);
    const int64_t pos = block * every + 5000;
    form_->MyTrackBar1->SetPosition(pos);
    Application->ProcessMessages();
    const int64_t start = form_->MyTrackBar1->Position();
    EXPECT_GT(start, pos - 40);
    EXPECT_LT(start, pos + 40);
    const std::wstring prefix = L"block " + std::to_wstring(block) + L" line ";
    EXPECT_EQ(ViewText().substr(0, prefix.size()), prefix);
  }
  EXPECT_TRUE(messages_.empty() || messages_.size() == 1);  // at most the NUL notice
  DeleteFileW(p.c_str());
}

}  // namespace

namespace {

TEST_F(PageDisplay, CaretAtTheBottomAfterMovingBackAndPaneBackAtItsLeftEdge) {
  std::wstring text = L"\xFEFF";
  for (int i = 0; i < 400; ++i) text += L"行" + std::to_wstring(i) + std::wstring(300, L'x') + L"\r\n";
  std::string bytes;
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  form_->OpenFile(File(L"wide16.txt", bytes));
  ASSERT_EQ(form_->Doc.TextCode, 1);
  // A page further on, then one before it: with no selection on that page
  // the caret goes to the end of its text.
  form_->Doc.SelStart = 1;
  form_->Doc.SelLength = 0;
  form_->ShowPage(false, true, 100000);
  const int64_t later = form_->MyTrackBar1->Position();
  ASSERT_GT(later, 50000);
  form_->Doc.SelStart = later / 2 + 50000;  // on no page shown here
  form_->ShowPage(false, true, 20000);
  EXPECT_EQ(form_->GetSelStart(), static_cast<int>(form_->GetTextWide().size()));

  // With a selection, a pane scrolled to the right goes back to its left edge.
  form_->Doc.SelStart = 1;
  form_->Doc.SelLength = 3;
  SendMessageW(form_->CurrentPane, EM_LINESCROLL, 40, 0);
  ASSERT_GT(GetScrollPos(form_->CurrentPane, SB_HORZ), 0);
  form_->ShowPage(false, true, 0);
  EXPECT_EQ(GetScrollPos(form_->CurrentPane, SB_HORZ), 0);
  EXPECT_EQ(form_->GetSelTextWide(), L"行0x");
}

}  // namespace

namespace {

TEST_F(PageDisplay, AFailingReadShowsTheSystemsTextAndKeepsThePage) {
  form_->OpenFile(Sample(L"sjis_crlf.txt"));
  const std::wstring page = ViewText();
  fileops::FaultFiles faults;
  fileops::ScopedFiles use(faults);
  faults.FailAt(fileops::Op::Read, 1, ERROR_READ_FAULT, true);
  form_->ShowPage(false, true, 500);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], SystemErrorTextWide(ERROR_READ_FAULT));
  EXPECT_EQ(ViewText(), page);
  EXPECT_EQ(form_->MyTrackBar1->Position(), 0);
  // A file that is locked when it is opened: the open says why, nothing changes.
  faults.FailAt(fileops::Op::Read, 0, 0);
  faults.FailAt(fileops::Op::Open, 1, ERROR_SHARING_VIOLATION);
  form_->OpenFile(Sample(L"eucjp.txt"));
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1], SystemErrorTextWide(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(form_->Doc.FilePath, Sample(L"sjis_crlf.txt"));
  EXPECT_EQ(ViewText(), page);
}

}  // namespace

namespace {

TEST_F(PageDisplay, ShowingPagesReportsNoUnconvertibleCharacters) {
  // Bytes that are no EUC-JP character show as the substitute, and showing
  // the page again and again reports nothing.
  form_->Conv.UnconvertibleCount = 0;
  form_->Conv.UnconvertibleList.clear();
  form_->OpenFile(File(L"bad_euc.txt", "ab\xa4\r\ncd\r\n"s));
  form_->ComboBox1->SetItemIndex(3);
  form_->ComboBox1Change();
  ASSERT_EQ(form_->Doc.TextCode, 3);
  form_->ShowPage(false, true, 0);
  EXPECT_EQ(form_->Conv.UnconvertibleCount, 0u);
  EXPECT_TRUE(form_->Conv.UnconvertibleList.empty());
}

}  // namespace

namespace {

// A caret inside a run of double-byte JIS characters is placed after the
// characters before it: the measured stretch keeps its last bytes.
TEST_F(PageDisplay, JisCaretInsideADoubleByteRun) {
  form_->Settings.AutoDetectCode = true;
  form_->OpenFile(Sample(L"jis.txt"));
  ASSERT_EQ(form_->Doc.TextCode, 4);
  const std::string bytes = testsupport::ReadBytes(Sample(L"jis.txt"));
  const size_t line2 = bytes.find("\r\n") + 2;
  ASSERT_EQ(bytes.substr(line2, 7), "02: \x1b$B");
  form_->Doc.SelStart = static_cast<int64_t>(line2 + 7 + 4);  // after two characters of the run
  form_->Doc.SelLength = 0;
  form_->ShowPage(false, true, 0);
  const std::string memo = form_->Memo1->Text();
  const std::wstring before = Cp932ToWide(memo.substr(0, static_cast<size_t>(form_->GetSelStart())));
  const size_t second = canonical_.find(L"\r\n") + 2;
  EXPECT_EQ(before, canonical_.substr(0, second + 4 + 2));  // "02: " and two characters
}

}  // namespace
