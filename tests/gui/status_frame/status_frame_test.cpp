// The main window's status and selection handlers and its frame and menu
// handlers under wine: ranges read back from files in every code and copied
// to the clipboard, the selection panel, the select commands at the edges of
// a file, menu states while long work runs, the step-multiplier box and the
// label painted on the frame.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/screen_shot.h"
#include "text/StatusText.h"
#include "viewer/VastrelForm.h"

namespace {

class StatusFrame : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"sf");
    StartForm();
    canonical_ = Cp932ToWide(testsupport::ReadBytes(Sample(L"sjis_crlf.txt")));
    ASSERT_GT(canonical_.size(), 500u);
  }
  void TearDown() override {
    TPopupMenu::Tracker = nullptr;
    if (form_) form_->WorkIdle = true;
    EndMainWindow();
  }
  void Open(const std::wstring& path) {
    form_->OpenFile(path);
    Application->ProcessMessages();
    ASSERT_EQ(form_->Doc.FilePath, path);
  }
  std::wstring Copied() {
    form_->Copy1->Click();
    return Clipboard::GetTextW();
  }

  std::wstring canonical_;
};

// The byte offsets at which lines start: 0 and after every CR LF (units of
// UTF-16 in the file's order).
std::vector<size_t> LineStarts(const std::string& b, bool wide, bool bigEndian) {
  std::vector<size_t> out{0};
  if (!wide) {
    for (size_t i = 0; i + 1 < b.size(); ++i)
      if (b[i] == '\r' && b[i + 1] == '\n') out.push_back(i + 2);
    return out;
  }
  auto unit = [&](size_t i) {
    const unsigned char x = b[i], y = b[i + 1];
    return bigEndian ? (x << 8 | y) : (y << 8 | x);
  };
  for (size_t i = 0; i + 3 < b.size(); i += 2)
    if (unit(i) == 0x0D && unit(i + 2) == 0x0A) out.push_back(i + 4);
  return out;
}

std::vector<size_t> LineStarts(const std::wstring& t) {
  std::vector<size_t> out{0};
  for (size_t i = 0; i + 1 < t.size(); ++i)
    if (t[i] == L'\r' && t[i + 1] == L'\n') out.push_back(i + 2);
  return out;
}

struct SampleRow {
  const wchar_t* file;
  int code;
  int bom;
  bool bigEndian;
  bool leadingEmptyLine;
};
const SampleRow kSamples[] = {
    {L"sjis_crlf.txt", 0, 0, false, false},     {L"utf16le_bom.txt", 1, 2, false, false},
    {L"utf16be_bom.txt", 1, 2, true, false},    {L"utf16le_nobom.txt", 1, 0, false, true},
    {L"utf16be_nobom.txt", 1, 0, true, true},   {L"utf8_bom.txt", 2, 3, false, false},
    {L"utf8_nobom.txt", 2, 0, false, false},    {L"eucjp.txt", 3, 0, false, false},
    {L"jis.txt", 4, 0, false, false},
};

}  // namespace

// A selection of 200 lines from the middle of a file of 720 lines spans many
// screens; the copy is the whole range, the file's bytes converted.
TEST_F(StatusFrame, SelectionAcrossPagesIsCopiedWholeInEveryCode) {
  for (const SampleRow& r : kSamples) {
    SCOPED_TRACE(r.file);
    const std::string sample = testsupport::ReadBytes(Sample(r.file));
    const std::string body = sample.substr(static_cast<size_t>(r.bom));
    std::string bytes = sample.substr(0, static_cast<size_t>(r.bom));
    std::wstring reference;
    for (int i = 0; i < 20; ++i) {
      bytes += body;
      reference += (r.leadingEmptyLine ? L"\r\n" : L"") + canonical_;
    }
    const std::wstring path = File(std::wstring(L"big_") + r.file, bytes);
    form_->Settings.AutoDetectCode = r.code >= 2;
    Open(path);
    ASSERT_EQ(form_->Doc.TextCode, r.code);

    const std::vector<size_t> fileLines = LineStarts(bytes, r.code == 1, r.bigEndian);
    const std::vector<size_t> textLines = LineStarts(reference);
    ASSERT_EQ(fileLines.size(), textLines.size());
    ASSERT_GT(fileLines.size(), 320u);
    const std::wstring expected = reference.substr(textLines[100], textLines[300] - textLines[100]);
    const int u = r.code == 1 ? 2 : 1;
    form_->Doc.SelStart = static_cast<int64_t>(fileLines[100]) / u;
    form_->Doc.SelLength = static_cast<int64_t>(fileLines[300] - fileLines[100]) / u;
    // The page shows the selection's start; the copy reaches far past it.
    form_->ShowPage(false, true, static_cast<int64_t>(fileLines[100]));
    ASSERT_LT(ViewText().size(), expected.size() / 3);

    const std::wstring copied = Copied();
    EXPECT_EQ(copied.size(), expected.size());
    EXPECT_TRUE(copied == expected);
    EXPECT_EQ(form_->SelectionLineEnd, 0);
    EXPECT_EQ(form_->NulCount, 0);

    form_->ShowSelectionStatus();
    const int64_t bytesShown = r.code == 1 ? form_->Doc.SelLength * 2 : form_->Doc.SelLength;
    EXPECT_EQ(form_->SelectionBytes, bytesShown);
    EXPECT_EQ(form_->Panel3->TextW(), statustext::FormatSize(true, static_cast<uint64_t>(bytesShown)));
  }
  EXPECT_TRUE(messages_.empty());
}

// The memo's pop-up menu is the program's, whether a right click or the
// keyboard asks for it: its Copy takes the whole selection, also the part
// beyond the page, in the codes that the memo shows.
TEST_F(StatusFrame, MemoPopUpMenuCopiesTheWholeSelection) {
  struct Shown {
    TPopupMenu* menu;
    POINT at;
  };
  std::vector<Shown> shown;
  TPopupMenu::Tracker = [&](TPopupMenu* m, int x, int y) -> UINT {
    shown.push_back(Shown{m, POINT{x, y}});
    return form_->Copy1->Command();
  };
  for (const wchar_t* name : {L"sjis_crlf.txt", L"eucjp.txt", L"jis.txt"}) {
    SCOPED_TRACE(name);
    std::string bytes;
    for (int i = 0; i < 20; ++i) bytes += testsupport::ReadBytes(Sample(name));
    const std::wstring path = File(std::wstring(L"pop_") + name, bytes);
    form_->Settings.AutoDetectCode = std::wstring(name) != L"sjis_crlf.txt";
    Open(path);
    ASSERT_FALSE(form_->IsWideView());
    std::wstring reference;
    for (int i = 0; i < 20; ++i) reference += canonical_;
    const std::vector<size_t> lines = LineStarts(reference);
    const std::wstring expected = reference.substr(lines[100], lines[300] - lines[100]);
    const std::vector<size_t> fileLines = LineStarts(bytes, false, false);
    form_->Doc.SelStart = static_cast<int64_t>(fileLines[100]);
    form_->Doc.SelLength = static_cast<int64_t>(fileLines[300] - fileLines[100]);
    form_->ShowPage(false, true, static_cast<int64_t>(fileLines[100]));
    ASSERT_LT(ViewText().size(), expected.size() / 3);
    form_->Memo1->SetSelection(0, 10);  // the view shows a selection: Copy is offered

    const HWND memo = form_->Memo1->Handle();
    // A right click: the system turns the button's release into the request.
    ASSERT_TRUE(Clipboard::Clear());
    shown.clear();
    SendMessageW(memo, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 40));
    SendMessageW(memo, WM_RBUTTONUP, 0, MAKELPARAM(30, 40));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].menu, form_->PopupMenu1);
    POINT click{30, 40};
    ClientToScreen(memo, &click);
    EXPECT_EQ(shown[0].at.x, click.x);
    EXPECT_EQ(shown[0].at.y, click.y);
    EXPECT_TRUE(form_->Copy1->Visible());
    std::wstring copied = Clipboard::GetTextW();
    EXPECT_EQ(copied.size(), expected.size());
    EXPECT_TRUE(copied == expected);

    // The menu key (or Shift+F10): no mouse point, the menu at the memo's corner.
    ASSERT_TRUE(Clipboard::Clear());
    SendMessageW(memo, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(memo), -1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].menu, form_->PopupMenu1);
    POINT corner{0, 0};
    ClientToScreen(memo, &corner);
    EXPECT_EQ(shown[1].at.x, corner.x);
    EXPECT_EQ(shown[1].at.y, corner.y);
    copied = Clipboard::GetTextW();
    EXPECT_TRUE(copied == expected);
  }
  // The pane (UTF-16 and UTF-8 pages) answers the menu key with the same menu.
  Open(Sample(L"utf16le_bom.txt"));
  ASSERT_TRUE(form_->IsWideView());
  shown.clear();
  TPopupMenu::Tracker = [&](TPopupMenu* m, int x, int y) -> UINT {
    shown.push_back(Shown{m, POINT{x, y}});
    return 0;
  };
  const HWND pane = form_->CurrentPane;
  SendMessageW(pane, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(pane), -1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].menu, form_->PopupMenu1);
  POINT corner{0, 0};
  ClientToScreen(pane, &corner);
  EXPECT_EQ(shown[0].at.x, corner.x);
  EXPECT_EQ(shown[0].at.y, corner.y);
  EXPECT_TRUE(messages_.empty());
}

// One page selected and copied gives exactly the text the view shows.
TEST_F(StatusFrame, PageSelectionCopiesTheShownText) {
  for (const SampleRow& r : kSamples) {
    SCOPED_TRACE(r.file);
    form_->Settings.AutoDetectCode = r.code >= 2;
    Open(Sample(r.file));
    form_->PageSelMenu->Click();
    const int u = r.code == 1 ? 2 : 1;
    EXPECT_EQ(form_->Doc.SelStart, r.bom / u);  // the page at position 0 starts after the mark
    EXPECT_EQ(Copied(), ViewText());
  }
}

TEST_F(StatusFrame, SelectAllStartsAfterTheMark) {
  Open(Sample(L"utf16le_bom.txt"));
  form_->AllSelMenu->Click();
  EXPECT_EQ(form_->Doc.SelStart, 1);
  EXPECT_EQ(form_->Doc.SelLength, (form_->Doc.FileSize - 2) / 2);
  EXPECT_EQ(Copied(), canonical_);
}

// Ctrl+A and Ctrl+R of the views come as view commands.
TEST_F(StatusFrame, ViewCommandsSelect) {
  Open(Sample(L"utf16le_bom.txt"));
  ASSERT_TRUE(form_->ViewCommandHook);
  form_->ViewCommandHook(vastrel::ViewCommand::SelectAll);
  EXPECT_EQ(form_->Doc.SelStart, 1);
  EXPECT_EQ(form_->Doc.SelLength, (form_->Doc.FileSize - 2) / 2);
  form_->SetSelection(3, 3);
  form_->ViewCommandHook(vastrel::ViewCommand::SelectToLineBreak);
  EXPECT_EQ(form_->GetSelStart(), 0);
  EXPECT_EQ(form_->GetSelLength(), static_cast<int64_t>(canonical_.find(L"\r\n") + 1));
}

TEST_F(StatusFrame, SelectionPanelShowsAbsoluteSizeOrLineCountState) {
  Open(Sample(L"sjis_crlf.txt"));
  form_->Memo1->SetSelection(0, 10);  // the view shows a selection
  struct Row {
    int64_t selLength;
    const wchar_t* shown;
  } rows[] = {{1536, L"1.5 KB"}, {-1536, L"1.5 KB"}, {1023, L"1023 B"}, {-1, L"1 B"}};
  for (const Row& r : rows) {
    form_->Doc.SelStart = 1600;
    form_->Doc.SelLength = r.selLength;
    form_->ShowSelectionStatus();
    EXPECT_EQ(form_->Panel3->TextW(), r.shown) << r.selLength;
    EXPECT_EQ(form_->SelectionBytes, r.selLength < 0 ? -r.selLength : r.selLength);
  }
  // No selection in the view: nothing selected.
  form_->Memo1->SetSelection(3, 3);
  form_->ShowSelectionStatus();
  EXPECT_EQ(form_->Panel3->TextW(), L"0 B");
  EXPECT_EQ(form_->SelectionBytes, 0);
}

TEST_F(StatusFrame, SelectionLargerThanEditMaxCopiesEditMaxAndShowsSelectOver) {
  std::string line = Cp932FromUtf8("あいうえお") + "\r\n";  // 12 bytes
  std::string bytes;
  while (bytes.size() < (1u << 20) + 200000) bytes += line;
  Open(File(L"large.txt", bytes));
  ASSERT_EQ(form_->UpDown1->Position(), 1);
  form_->Doc.SelStart = 0;
  form_->Doc.SelLength = static_cast<int64_t>(bytes.size());
  form_->Memo1->SetSelection(0, 4);
  EXPECT_TRUE(Copied() == Cp932ToWide(bytes.substr(0, 1u << 20)));
  form_->CheckBox8->SetChecked(true);  // its click shows the status again
  EXPECT_EQ(form_->Panel3->TextW(), L"select over");
  form_->CheckBox8->SetChecked(false);
  EXPECT_EQ(form_->Panel3->TextW(), statustext::FormatSize(true, bytes.size()));
}

// Reads without a cap stop at a fixed ceiling with a message instead of an
// allocation of the whole 64-bit length; with a cap only the capped count is
// taken, whatever the length.
TEST_F(StatusFrame, RangeReadsAreBoundedAndReportWhatTheyCannotRead) {
  Open(Sample(L"sjis_crlf.txt"));
  const std::string file = testsupport::ReadBytes(Sample(L"sjis_crlf.txt"));
  form_->Doc.SelStart = 0;
  form_->Doc.SelLength = int64_t{5} << 30;
  EXPECT_EQ(form_->ReadRangeNarrow(false, 0), "");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(L"大きすぎる"), std::wstring::npos);
  EXPECT_EQ(form_->ReadRangeNarrow(false, form_->EditMaxBytes()), file);
  EXPECT_EQ(messages_.size(), 1u);

  Open(Sample(L"utf16le_bom.txt"));
  form_->Doc.SelStart = 1;
  form_->Doc.SelLength = int64_t{3} << 30;  // units: 6 GB
  EXPECT_EQ(form_->ReadRangeWide(false, 0), L"");
  EXPECT_EQ(messages_.size(), 2u);
  EXPECT_EQ(form_->ReadRangeWide(false, form_->EditMaxBytes()), canonical_);

  form_->Settings.AutoDetectCode = true;
  Open(Sample(L"jis.txt"));
  ASSERT_EQ(form_->Doc.TextCode, 4);
  form_->Doc.SelStart = 0;
  form_->Doc.SelLength = int64_t{5} << 30;
  // A JIS selection is file bytes as in the other codes.
  EXPECT_EQ(form_->ReadRangeNarrow(false, 0), "");
  EXPECT_EQ(messages_.size(), 3u);
  EXPECT_EQ(Cp932ToWide(form_->ReadRangeNarrow(false, form_->EditMaxBytes())), canonical_);
  EXPECT_EQ(messages_.size(), 3u);
}

// The narrow reader counts a UTF-16 selection in units as the wide one does.
TEST_F(StatusFrame, NarrowReaderDoublesUtf16Offsets) {
  for (const wchar_t* name : {L"utf16le_bom.txt", L"utf16be_bom.txt"}) {
    SCOPED_TRACE(name);
    Open(Sample(name));
    form_->Doc.SelStart = 1 + 4;
    form_->Doc.SelLength = 20;
    EXPECT_EQ(form_->ReadRangeNarrow(false, 0), WideToCp932(canonical_.substr(4, 20)));
    EXPECT_EQ(form_->ReadRangeWide(false, 0), canonical_.substr(4, 20));
  }
}

TEST_F(StatusFrame, BackwardSelectionIsReadForwardAndMissingFileFallsBackToTheView) {
  Open(Sample(L"sjis_crlf.txt"));
  const std::string file = testsupport::ReadBytes(Sample(L"sjis_crlf.txt"));
  form_->Doc.SelStart = 100;
  form_->Doc.SelLength = -40;
  EXPECT_EQ(form_->ReadRangeNarrow(false, 0), file.substr(60, 40));

  form_->Memo1->SetSelection(0, 6);
  form_->Doc.FilePath = folder_ + L"gone.txt";
  EXPECT_EQ(form_->ReadRangeNarrow(false, 0), file.substr(0, 6));
  ASSERT_EQ(messages_.size(), 1u);  // the system's text
}

// "Select up to Edit Max" near the end of a file with a mark reaches the end.
TEST_F(StatusFrame, SelectUpToEditMaxReachesTheEndOfAFileWithAMark) {
  struct Row {
    const wchar_t* file;
    int unit;
    int64_t back;  // units before the end
  } rows[] = {{L"utf16le_bom.txt", 2, 5}, {L"utf16be_bom.txt", 2, 1}, {L"utf8_bom.txt", 1, 7}, {L"sjis_crlf.txt", 1, 4}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.file);
    Open(Sample(r.file));
    const int64_t end = form_->Doc.FileSize / r.unit;
    form_->Doc.SelStart = end - r.back;
    form_->Doc.SelLength = 0;
    form_->MaxSelectMenu->Click();
    EXPECT_EQ(form_->Doc.SelStart, end - r.back);
    EXPECT_EQ(form_->Doc.SelStart + form_->Doc.SelLength, end);
  }
  EXPECT_TRUE(messages_.empty());
}

// Without a line end in reach the selection ends at Edit Max on a character
// boundary, never before its start; with line ends at the last line start.
TEST_F(StatusFrame, SelectUpToEditMaxWithoutAndWithLineEnds) {
  std::string kanji;
  const std::string a = Cp932FromUtf8("あ");
  while (kanji.size() < 1400000) kanji += a;
  Open(File(L"noline.txt", "a" + kanji));
  const int64_t firstLine = form_->Doc.FirstLineNumber;
  form_->Doc.SelStart = 0;
  form_->Doc.SelLength = 0;
  form_->MaxSelectMenu->Click();
  EXPECT_EQ(form_->Doc.SelStart, 0);
  EXPECT_EQ(form_->Doc.SelLength, (1 << 20) - 1);  // the last lead byte is not taken without its trail
  EXPECT_EQ(form_->Doc.FirstLineNumber, firstLine);

  std::string lines;
  while (lines.size() < 1500000) lines += std::string(98, 'x') + "\r\n";
  Open(File(L"lines.txt", lines));
  form_->Doc.SelStart = 250;
  form_->Doc.SelLength = -50;  // made forward first: from 200
  form_->MaxSelectMenu->Click();
  EXPECT_EQ(form_->Doc.SelStart, 200);
  const int64_t end = form_->Doc.SelStart + form_->Doc.SelLength;
  EXPECT_EQ(end % 100, 0) << "ends at a line start";
  EXPECT_LE(end, 200 + (1 << 20));
  EXPECT_GT(end, 200 + (1 << 20) - 200);
  EXPECT_TRUE(messages_.empty());
}

// "Select to the next line break" ends after the CR of the caret's line in
// both byte orders of UTF-16 and in the memo.
TEST_F(StatusFrame, SelectToNextLineBreakEndsAfterTheCr) {
  const std::vector<size_t> starts = LineStarts(canonical_);
  for (const wchar_t* name : {L"utf16be_bom.txt", L"utf16le_bom.txt", L"sjis_crlf.txt"}) {
    SCOPED_TRACE(name);
    Open(Sample(name));
    const bool wide = form_->IsWideView();
    const size_t caret = starts[2] + 3;  // inside the third line
    const size_t lineStart = wide ? starts[2] : WideToCp932(canonical_.substr(0, starts[2])).size();
    const size_t lineLength = wide ? starts[3] - starts[2] - 1
                                   : WideToCp932(canonical_.substr(starts[2], starts[3] - starts[2] - 1)).size();
    const size_t at = wide ? caret : WideToCp932(canonical_.substr(0, caret)).size();
    form_->SetSelection(static_cast<int64_t>(at), static_cast<int64_t>(at));
    form_->N23->Click();
    EXPECT_EQ(form_->GetSelStart(), static_cast<int64_t>(lineStart));
    EXPECT_EQ(form_->GetSelLength(), static_cast<int64_t>(lineLength));
    // The file selection follows the view's: after the mark, in the file's units.
    EXPECT_EQ(form_->Doc.SelStart, static_cast<int64_t>(lineStart) + (wide ? 1 : 0));
    EXPECT_EQ(form_->Doc.SelLength, static_cast<int64_t>(lineLength));
  }
}

TEST_F(StatusFrame, StatusBarHintsFollowTheMouse) {
  // The hints follow the panels: size, position in bytes, position.
  const int size = form_->StatusBar1->Panel(0)->Width(), bytes = form_->StatusBar1->Panel(1)->Width(),
            page = form_->StatusBar1->Panel(2)->Width();
  EXPECT_EQ(size, 60);
  EXPECT_GE(bytes, 100);
  EXPECT_EQ(page, 55);
  struct Row {
    int x;
    const wchar_t* hint;
  } rows[] = {{0, L"ファイルサイズ"},
              {size - 1, L"ファイルサイズ"},
              {size, L"表示位置（Byte）"},
              {size + bytes - 1, L"表示位置（Byte）"},
              {size + bytes, L"表示位置"},
              {size + bytes + page - 1, L"表示位置"},
              {size + bytes + page, L""}};
  for (const Row& r : rows) {
    SendMessageW(form_->StatusBar1->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.x, 5));
    EXPECT_EQ(Cp932ToWide(form_->StatusBar1->Hint), r.hint) << r.x;
    EXPECT_EQ(form_->StatusBar1->Panel(3)->TextW(), r.hint) << r.x;
  }
}

// Panel 1 shows the largest position the program shows (just below the
// viewable 1024 TB) whole, with room to spare at its right edge.
TEST_F(StatusFrame, ThePositionPanelHoldsTheLargestPosition) {
  const std::wstring largest = L"1,125,899,906,842,623";
  form_->StatusBar1->Panel(1)->SetTextW(largest);
  const HWND bar = form_->StatusBar1->Handle();
  RECT part;
  ASSERT_TRUE(SendMessageW(bar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part)));
  // The text as the bar's own font measures it fits inside the panel.
  HDC dc = GetDC(bar);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, largest.c_str(), static_cast<int>(largest.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(bar, dc);
  EXPECT_LE(extent.cx + 6, part.right - part.left);
  // On the screen: the text's pixels end before the panel's last columns.
  POINT topLeft{part.left, part.top}, bottomRight{part.right, part.bottom};
  ClientToScreen(bar, &topLeft);
  ClientToScreen(bar, &bottomRight);
  TBitmap shot;
  ASSERT_TRUE(testsupport::CaptureScreen(form_->Handle(), RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y}, shot));
  int first = -1, last = -1;
  for (int x = 0; x < shot.Width(); ++x) {
    for (int y = 2; y < shot.Height() - 2; ++y) {
      const COLORREF c = shot.PixelRGB(x, y);
      if (GetRValue(c) < 0x80 && GetGValue(c) < 0x80 && GetBValue(c) < 0x80) {
        if (first < 0) first = x;
        last = x;
      }
    }
  }
  ASSERT_GE(first, 0) << "no text on the panel";
  EXPECT_GE(last - first + 1, extent.cx - 3);  // the whole text is drawn
  EXPECT_LT(last, shot.Width() - 3);            // and does not run into the edge
}

// The menu bar's last item is drawn by the program for good: the menu colour
// and no caption, also once the bar's other items are drawn by the system.
TEST_F(StatusFrame, TheMenuBarsLastItemShowsOnlyTheMenuColour) {
  const HWND h = form_->Handle();
  DrawMenuBar(h);
  RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  for (int i = 0; i < 50 && form_->MainMenu1->OwnerDraw(); ++i) Application->ProcessMessages();
  ASSERT_FALSE(form_->MainMenu1->OwnerDraw());
  HMENU bar = GetMenu(h);
  const int last = GetMenuItemCount(bar) - 1;
  ASSERT_GT(last, 0);
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(bar, static_cast<UINT>(last), TRUE, &info));
  EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
  ASSERT_TRUE(GetMenuItemInfoW(bar, 0, TRUE, &info));
  EXPECT_FALSE(info.fType & MFT_OWNERDRAW);
  RECT item;
  ASSERT_TRUE(GetMenuItemRect(h, bar, static_cast<UINT>(last), &item));
  ASSERT_GT(item.right - item.left, 2);
  TBitmap shot;
  ASSERT_TRUE(testsupport::CaptureScreen(h, item, shot));
  const COLORREF menu = GetSysColor(COLOR_MENU);
  int other = 0;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) other += shot.PixelRGB(x, y) != menu;
  EXPECT_EQ(other, 0);
  // The whole window, for a person to look at.
  TBitmap window;
  if (testsupport::CaptureWindow(h, window)) testsupport::SaveBmp(window, "main_window.bmp");
}

// Captions and hints as the program gives them, and the narrow open dialog's filter.
TEST_F(StatusFrame, TheProgramsOwnTexts) {
  auto menuText = [](TMenuItem* menu, TMenuItem* item) {
    HMENU h = menu->SubMenuHandle();
    for (int i = 0; i < GetMenuItemCount(h); ++i) {
      if (GetMenuItemID(h, i) != item->Command()) continue;
      wchar_t buf[128] = {};
      GetMenuStringW(h, static_cast<UINT>(i), buf, 128, MF_BYPOSITION);
      std::wstring t = buf;
      return t.substr(0, t.find(L'\t'));
    }
    return std::wstring(L"(not in the menu)");
  };
  EXPECT_EQ(menuText(form_->File1, form_->Open1), L"開く(&O)");
  EXPECT_EQ(menuText(form_->E1, form_->Find2), L"検索(&F)");
  EXPECT_EQ(Cp932ToWide(form_->Copy2->Hint), L"表示範囲のリストが対象");
  TMenuItem* copy3 = form_->PopupMenu4->Items.Find("Copy3");
  ASSERT_NE(copy3, nullptr);
  EXPECT_EQ(Cp932ToWide(copy3->Hint), L"行番号をコピーする");
  EXPECT_EQ(Cp932ToWide(form_->N11->Hint), L"開いたファイルのブックマークを読込む");

  std::wstring filter;
  form_->UnicodeMode = false;
  {
    ScopedFileDialogHandler dialog([&](const FileDialogRequest& r, std::wstring&) {
      filter = r.filter;
      return false;
    });
    form_->Open1Click();
  }
  form_->UnicodeMode = true;
  EXPECT_EQ(filter, std::wstring(L"テキスト(*.txt)") + L'\0' + L"*.txt" + L'\0' + L"全てのファイル(*.*)" + L'\0' +
                        L"*.*" + L'\0');
}

// While long work runs, the menus offer nothing that changes, opens, converts
// or searches the file.
TEST_F(StatusFrame, MenusFollowTheLongWorkGuard) {
  Open(Sample(L"sjis_crlf.txt"));
  form_->CheckBox1->SetChecked(false);  // deleting allowed
  form_->SearchText = L"x";
  TPopupMenu::Tracker = [](TPopupMenu*, int, int) -> UINT { return 0; };
  TMenuItem* fileChanging[] = {form_->Open1,      form_->N17,       form_->EditMenu,      form_->AllSelMenu,
                               form_->MaxSelectMenu, form_->PageSelMenu, form_->N23,        form_->Find2,
                               form_->FindNext2,  form_->Undo1,     form_->Edit1,         form_->Delete1};
  auto openMenus = [&] {
    form_->File1->Click();
    form_->E1->Click();
    form_->PopupMenu1->Popup(0, 0);
  };
  struct Row {
    bool workIdle, longWork, enabled;
  } rows[] = {{false, false, false}, {true, true, false}, {true, false, true}};
  for (const Row& r : rows) {
    form_->WorkIdle = r.workIdle;
    form_->LongWorkRunning = r.longWork;
    openMenus();
    for (TMenuItem* item : fileChanging) EXPECT_EQ(item->Enabled(), r.enabled) << item->Name << " " << r.workIdle;
    EXPECT_TRUE(form_->PopN5->Enabled());
  }
  // An open edit dialog holds the same guard.
  ASSERT_TRUE(form_->Work.Begin(vastrel::WorkGuard::Job::EditDialog));
  openMenus();
  for (TMenuItem* item : fileChanging) EXPECT_FALSE(item->Enabled()) << item->Name << " (edit dialog)";
  form_->Work.End(vastrel::WorkGuard::Job::EditDialog);
  // Idle again: the other conditions decide.
  form_->CheckBox6->SetChecked(true);
  form_->LineThreadIdle = false;
  openMenus();
  EXPECT_FALSE(form_->EditMenu->Enabled());  // CR/LF ticked
  EXPECT_FALSE(form_->N17->Enabled());       // an index build runs
  EXPECT_TRUE(form_->Edit1->Enabled());
  form_->CheckBox1->SetChecked(true);
  form_->Memo1->SetSelection(0, 0);
  openMenus();
  EXPECT_FALSE(form_->Delete1->Enabled());
  EXPECT_FALSE(form_->Copy1->Visible());
  form_->Memo1->SetSelection(0, 5);
  openMenus();
  EXPECT_TRUE(form_->Copy1->Visible());
  EXPECT_EQ(form_->N22->ImageIndex(), 7 + (form_->N22->Checked() ? 1 : 0));
}

TEST_F(StatusFrame, StepMultiplierBox) {
  const char* expected[] = {"10", "100", "1000", "1", "10"};
  for (const char* e : expected) {
    form_->StaticText1->Click();
    EXPECT_EQ(form_->StaticText1->Caption(), e);
  }
  EXPECT_EQ(form_->StepMultiplier, 10);
  const HWND box = form_->StaticText1->Handle();
  SendMessageW(box, WM_RBUTTONDOWN, MK_RBUTTON, 0);
  SendMessageW(box, WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(form_->StaticText1->Caption(), "1");
  SendMessageW(box, WM_RBUTTONDOWN, MK_RBUTTON, 0);
  SendMessageW(box, WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(form_->StaticText1->Caption(), "1000");
  EXPECT_EQ(form_->StepMultiplier, 1000);
}

TEST_F(StatusFrame, LineHoverTimerClearsTheCurrentLine) {
  form_->CurrentLine = 7;
  form_->Timer3->SetEnabled(true);
  form_->Timer3->Tick();
  EXPECT_FALSE(form_->Timer3->Enabled());
  EXPECT_EQ(form_->CurrentLine, -1);
}

TEST_F(StatusFrame, ColourAndPathHelpers) {
  EXPECT_EQ(TVastrelForm::SysColorToRgb(clWindow), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(TVastrelForm::SysColorToRgb(0x123456), 0x123456u);
  // Floor per channel, also where the first colour is the darker one.
  EXPECT_EQ(TVastrelForm::BlendColor(0x000000, 0x0000FF, 1), 0x0000FEu);
  EXPECT_EQ(TVastrelForm::BlendColor(clWindow, 0x000000, 256), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(TVastrelForm::NormalizePath(L"C:\\one\\two\\file.txt"), L"C:\\..[file.txt]");
}

// The frame label: grey when the window is inactive, the caption-text colour
// when active; a repaint keeps the activation state of WM_NCACTIVATE.
TEST_F(StatusFrame, FrameLabelColoursFollowTheActivation) {
  form_->FrameLabelText = L"  [ SJIS > sample.txt ]";
  form_->MenuBarEnd = 120;
  const HWND h = form_->Handle();
  SendMessageW(h, WM_NCACTIVATE, FALSE, 0);
  EXPECT_FALSE(form_->FrameActive);
  EXPECT_EQ(form_->CaptionFontColour, 0x808080u);
  SendMessageW(h, WM_NCPAINT, 1, 0);  // a whole-frame repaint while inactive
  EXPECT_EQ(form_->CaptionFontColour, 0x808080u);
  EXPECT_EQ(form_->CaptionCanvas.Handle(), nullptr) << "the window DC is given back after each paint";
  SendMessageW(h, WM_NCACTIVATE, TRUE, 0);
  EXPECT_TRUE(form_->FrameActive);
  EXPECT_EQ(form_->CaptionFontColour, clSystemColor | COLOR_CAPTIONTEXT);
  EXPECT_EQ(form_->CaptionPenColour, 0x808080u);  // the pen keeps the colour of the inactive paint
}

// Rendered into a bitmap: the line along the menu bar and the text are grey
// when inactive; nothing is drawn for an empty label.
TEST_F(StatusFrame, FrameLabelRendering) {
  RECT wr;
  GetWindowRect(form_->Handle(), &wr);
  TBitmap bmp(wr.right - wr.left, wr.bottom - wr.top);
  const COLORREF marker = RGB(10, 200, 30);
  bmp.Canvas().BrushColor = marker;
  bmp.Canvas().FillRect(RECT{0, 0, bmp.Width(), bmp.Height()});

  form_->FrameLabelText.clear();
  form_->DrawCaptionLabel(bmp.Canvas().Handle(), false);
  for (int x = 0; x < bmp.Width(); x += 7)
    for (int y = 0; y < bmp.Height(); y += 5) ASSERT_EQ(bmp.PixelRGB(x, y), marker);

  form_->FrameLabelText = L"  [ SJIS > sample.txt ]";
  form_->MenuBarEnd = 120;
  form_->DrawCaptionLabel(bmp.Canvas().Handle(), false);
  const RECT r = form_->CaptionLabelRect;
  ASSERT_GT(r.right, r.left);
  EXPECT_EQ(bmp.PixelRGB(60, r.bottom - 1), 0x808080u);
  // The text: dark pixels inside the label are grey, none is black.
  int greyText = 0, black = 0;
  for (int y = r.top + 2; y < r.bottom - 2; ++y) {
    for (int x = r.left + 4; x < r.right - 4; ++x) {
      const COLORREF c = bmp.PixelRGB(x, y);
      if (c == 0x808080) ++greyText;
      if (GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60) ++black;
    }
  }
  EXPECT_GT(greyText, 10);
  EXPECT_EQ(black, 0);
  EXPECT_EQ(bmp.PixelRGB(r.left + (r.right - r.left) / 2, r.top + 1), ColorToRGB(clWindow));
}

// The bar's last item is drawn by the program once: it records where the bar
// ends, and the bar returns to normal drawing.
TEST_F(StatusFrame, MenuBarEndIsRecordedOnce) {
  DrawMenuBar(form_->Handle());
  RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  for (int i = 0; i < 20 && form_->MainMenu1->OwnerDraw(); ++i) {
    Application->ProcessMessages();
    Sleep(5);
  }
  EXPECT_FALSE(form_->MainMenu1->OwnerDraw());
  EXPECT_GT(form_->MenuBarEnd, 100);
  RECT wr;
  GetWindowRect(form_->Handle(), &wr);
  EXPECT_LT(form_->MenuBarEnd, wr.right - wr.left);
}

// A JIS selection that begins inside a kanji run is read in the run's state,
// found from the bytes before it; one that begins in front of the run's
// designation takes the designation with it.
TEST_F(StatusFrame, JisRangesInsideAndAtTheStartOfARun) {
  form_->Settings.AutoDetectCode = true;
  Open(Sample(L"jis.txt"));
  ASSERT_EQ(form_->Doc.TextCode, 4);
  ASSERT_EQ(canonical_.substr(0, 12), L"01: Vastrel ");
  struct Row {
    int64_t selStart, selLength;  // file bytes: "01: Vastrel " ESC $ B, then the kanji
    size_t from;  // characters
  } rows[] = {{12 + 3 + 4, 10, 14}, {12, 13, 12}, {12 + 3, 10, 12}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.selStart);
    form_->Doc.SelStart = r.selStart;
    form_->Doc.SelLength = r.selLength;
    EXPECT_EQ(Cp932ToWide(form_->ReadRangeNarrow(false, 0)), canonical_.substr(r.from, 5));
    EXPECT_EQ(form_->JisRangeLength, r.selLength);
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(StatusFrame, DominantLineEndOfTheRangeRead) {
  struct Row {
    const char* name;
    std::string bytes;
    bool autoDetect;
    int lineEnd;
  } rows[] = {
      {"lf8.txt", "\xEF\xBB\xBF" "a\nb\nc\r\nd\n", false, 2},
      {"cr.txt", "a\rb\rc\nd\r\ne\r\n", false, 1},
      {"crlf.txt", "a\r\nb\r\nc\n", false, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    form_->Settings.AutoDetectCode = r.autoDetect;
    const std::wstring name(r.name, r.name + strlen(r.name));
    Open(File(name, r.bytes));
    form_->AllSelMenu->Click();
    Copied();
    EXPECT_EQ(form_->SelectionLineEnd, r.lineEnd);
  }
}

// "Select up to Edit Max" in a JIS file ends at a line start of the file; the
// selection is those bytes, and reading it back gives exactly those lines.
TEST_F(StatusFrame, SelectUpToEditMaxInJisEndsAtALineStart) {
  const std::string sample = testsupport::ReadBytes(Sample(L"jis.txt"));
  std::string bytes;
  std::wstring reference;
  while (bytes.size() < (1u << 20) + 300000) {
    bytes += sample;
    reference += canonical_;
  }
  form_->Settings.AutoDetectCode = true;
  Open(File(L"big_jis.txt", bytes));
  ASSERT_EQ(form_->Doc.TextCode, 4);
  form_->Doc.SelStart = 0;
  form_->Doc.SelLength = 0;
  form_->Doc.JisShiftState = 3;
  form_->JisRunStart = false;
  form_->MaxSelectMenu->Click();
  const int64_t extent = form_->JisRangeLength;
  ASSERT_LE(extent, 1 << 20);
  ASSERT_GT(extent, (1 << 20) - 500);
  EXPECT_EQ(bytes.substr(static_cast<size_t>(extent) - 2, 2), "\r\n");
  const std::wstring text = Cp932ToWide(form_->ReadRangeNarrow(false, form_->EditMaxBytes()));
  EXPECT_EQ(form_->JisRangeLength, extent);
  EXPECT_EQ(form_->Doc.SelLength, extent);
  EXPECT_TRUE(text == reference.substr(0, text.size()));
  EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
  EXPECT_TRUE(messages_.empty());
}

// With the CR/LF box on, the memo shows lone LF line ends as CR LF: one page
// selected is counted in the file's bytes, and the copy is the file's text.
TEST_F(StatusFrame, PageSelectionWithLoneLineEndsCountsTheFileBytes) {
  std::string bytes;
  for (int i = 0; i < 5; ++i) bytes += testsupport::ReadBytes(Sample(L"sjis_lf.txt"));
  Open(File(L"lf.txt", bytes));  // longer than a page: the page ends inside the file
  form_->CheckBox6->SetChecked(true);
  form_->ShowPage(false, true, 0);
  std::wstring shown = ViewText();
  ASSERT_NE(shown.find(L"\r\n"), std::wstring::npos);
  ASSERT_LT(shown.size(), bytes.size() / 2);
  std::wstring inFile;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == L'\r' && i + 1 < shown.size() && shown[i + 1] == L'\n') continue;
    inFile += shown[i];
  }
  form_->PageSelMenu->Click();
  EXPECT_EQ(form_->Doc.SelStart, 0);
  EXPECT_EQ(form_->Doc.SelLength, static_cast<int64_t>(WideToCp932(inFile).size()));
  EXPECT_TRUE(Copied() == inFile);
  EXPECT_EQ(form_->SelectionLineEnd, 2);
}

// The select commands themselves refuse while long work runs (a shortcut can
// still reach them).
TEST_F(StatusFrame, SelectCommandsRefuseDuringLongWork) {
  Open(Sample(L"sjis_crlf.txt"));
  form_->Doc.SelStart = 7;
  form_->Doc.SelLength = 3;
  ASSERT_TRUE(form_->Work.Begin(vastrel::WorkGuard::Job::Delete));
  for (TMenuItem* item : {form_->AllSelMenu, form_->MaxSelectMenu, form_->PageSelMenu, form_->N23}) {
    item->Click();
    EXPECT_EQ(form_->Doc.SelStart, 7) << item->Name;
    EXPECT_EQ(form_->Doc.SelLength, 3) << item->Name;
  }
  form_->Work.End(vastrel::WorkGuard::Job::Delete);
  form_->AllSelMenu->Click();
  EXPECT_EQ(form_->Doc.SelStart, 0);
}

// The clipboard as the dialogs read it through the main window: UTF-16 text,
// code page 932 text widened, nothing for an empty clipboard or only files;
// a copy is also readable as code page 932.
TEST_F(StatusFrame, ClipboardTextBothWays) {
  const std::string kanji = Cp932FromUtf8("漢字かな");
  ASSERT_TRUE(Clipboard::SetText(kanji));
  EXPECT_EQ(form_->GetClipboardText(), L"漢字かな");
  ASSERT_TRUE(Clipboard::SetFileList({folder_ + L"a.txt"}));
  EXPECT_EQ(form_->GetClipboardText(), L"");
  ASSERT_TRUE(Clipboard::Clear());
  EXPECT_EQ(form_->GetClipboardText(), L"");

  form_->Settings.AutoDetectCode = true;
  Open(Sample(L"eucjp.txt"));
  ASSERT_EQ(form_->Doc.TextCode, 3);
  form_->Doc.SelStart = 0;
  form_->Doc.SelLength = static_cast<int64_t>(testsupport::ReadBytes(Sample(L"eucjp.txt")).size());
  form_->Memo1->SetSelection(0, 4);
  EXPECT_TRUE(Copied() == canonical_);
  EXPECT_EQ(form_->GetClipboardText(), canonical_);
  EXPECT_TRUE(Clipboard::GetText() == WideToCp932(canonical_));
}

TEST_F(StatusFrame, InfoBoxIsCaptionedWithTheTitle) {
  MessageRequest seen;
  ScopedMessageHandler h([&](const MessageRequest& r) {
    seen = r;
    return IDOK;
  });
  form_->ShowInfoBox(form_->Handle(), L"お知らせ");
  EXPECT_EQ(seen.text, L"お知らせ");
  EXPECT_EQ(seen.caption, MessageTitle());
  EXPECT_EQ(seen.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(seen.owner, form_->Handle());
}
