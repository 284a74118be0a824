// The CSV column view in the real main window under wine: ticking "CSV" on a
// ".csv" file shows the page as rows and columns (read back from the list
// view and from its pixels), paging keeps the rows in step with the page,
// rows and text selections follow each other with the file's offsets, the
// pop-up menu copies and shows the captions, and unticking brings the text
// view back.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "support/main_window_fixture.h"
#include "support/utf16_bytes.h"
#include "text/Csv.h"
#include "text/CsvView.h"
#include "viewer/VastrelForm.h"

namespace {

std::string Utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring Field(const std::wstring& line, int n) {
  return [&] {
    const std::u16string f = csvtext::CsvFieldText(std::u16string(line.begin(), line.end()), n);
    return std::wstring(f.begin(), f.end());
  }();
}

// The pixels of a window's client area, as COLORREFs.
struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> bits;
  COLORREF At(int x, int y) const {
    const DWORD p = bits[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

Pixels Capture(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  Pixels out;
  out.width = r.right;
  out.height = r.bottom;
  out.bits.resize(static_cast<size_t>(out.width) * out.height);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = out.width;
  bi.bmiHeader.biHeight = -out.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(h);
  HDC mem = CreateCompatibleDC(dc);
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, out.width, out.height, dc, 0, 0, SRCCOPY);
  GdiFlush();
  memcpy(out.bits.data(), bits, out.bits.size() * 4);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(h, dc);
  return out;
}

// The whole window as a BMP file (a picture to look at).
void SaveWindow(HWND h, const std::wstring& path) {
  RECT r;
  GetWindowRect(h, &r);
  const int w = r.right - r.left, ht = r.bottom - r.top;
  HDC dc = GetWindowDC(h);
  HDC mem = CreateCompatibleDC(dc);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -ht;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, ht, dc, 0, 0, SRCCOPY);
  GdiFlush();
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(w * ht * 4);
  if (FILE* f = _wfopen(path.c_str(), L"wb")) {
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    std::vector<DWORD> px(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + w * ht);
    for (DWORD& v : px) v |= 0xFF000000u;
    fwrite(px.data(), 4, px.size(), f);
    fclose(f);
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(h, dc);
}

// Dark pixels (text) in a rectangle of a capture.
int Ink(const Pixels& px, RECT r) {
  int n = 0;
  for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, px.height); ++y)
    for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, px.width); ++x)
      if (GetRValue(px.At(x, y)) < 128 && GetGValue(px.At(x, y)) < 128 && GetBValue(px.At(x, y)) < 128) ++n;
  return n;
}

class CsvView : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    TVastrelForm::SystemLevelOverride = -1;
    UseFreshProgramFolder(L"csv");
    StartForm(10, 10, 760, 520);
    form_->Settings.AutoDetectCode = true;
  }
  void TearDown() override {
    TPopupMenu::Tracker = nullptr;
    EndMainWindow();
  }

  TListView* Lv() { return form_->ListView1; }
  HWND LvWnd() { return form_->ListView1->Handle(); }
  HWND TextViewWnd() { return form_->IsWideView() ? form_->CurrentPane : form_->Memo1->Handle(); }

  void Open(const std::wstring& name, const std::string& bytes) {
    form_->OpenFile(File(name, bytes));
    Application->ProcessMessages();
  }
  void Tick(bool on) {
    form_->CheckBox7->SetChecked(on);
    Application->ProcessMessages();
  }
  void ShowAt(int64_t position) {
    form_->MovingBack = form_->MovingForward = false;
    form_->ShowPage(false, true, position);
    Application->ProcessMessages();
  }

  // Every row holds exactly the view's line of its index, and there are as
  // many rows as the view's text has lines.
  void ExpectRowsMatchView(const std::string& what) {
    SCOPED_TRACE(what);
    const std::wstring text = ViewText();
    const std::vector<std::wstring> lines = csvview::LineTexts(text);
    ASSERT_EQ(Lv()->Count(), static_cast<int>(lines.size()));
    for (int i = 0; i < Lv()->Count(); ++i) {
      const std::wstring* line = form_->CsvRowLine(i);
      ASSERT_NE(line, nullptr);
      EXPECT_EQ(*line, lines[static_cast<size_t>(i)]) << "row " << i;
      // The control's own narrow text (the cells are painted from the line).
      EXPECT_EQ(Lv()->Item(i)->Caption(), WideToCp932(Field(lines[static_cast<size_t>(i)], 0))) << "row " << i;
    }
  }

  std::vector<int> Selected() { return Lv()->SelectedIndexes(); }
  static std::vector<int> Range(int a, int b) {
    std::vector<int> v;
    for (int i = a; i <= b; ++i) v.push_back(i);
    return v;
  }

  POINT RowPoint(int row) {
    const RECT r = Lv()->Item(row)->DisplayRect();
    return POINT{std::min<LONG>(r.left + 60, r.right - 2), (r.top + r.bottom) / 2};
  }
  static LPARAM At(POINT p) { return MAKELPARAM(p.x, p.y); }

  // A left-button press on `from`, moves over `over` (button held), the release.
  void Drag(int from, const std::vector<int>& over, WPARAM keys = 0) {
    const POINT p = RowPoint(from);
    // The list view's own click tracking looks at the queue while the
    // button is down: the moves and the release wait there for it. The
    // first move that leaves the press point is the tracking's own.
    if (!over.empty()) PostMessageW(LvWnd(), WM_MOUSEMOVE, MK_LBUTTON | keys, At(RowPoint(over.front())));
    for (int row : over) PostMessageW(LvWnd(), WM_MOUSEMOVE, MK_LBUTTON | keys, At(RowPoint(row)));
    const POINT end = over.empty() ? p : RowPoint(over.back());
    PostMessageW(LvWnd(), WM_LBUTTONUP, keys, At(end));
    SendMessageW(LvWnd(), WM_LBUTTONDOWN, MK_LBUTTON | keys, At(p));
    Application->ProcessMessages();
  }
};

// The Japanese sample: quoted fields with commas and doubled quotes, empty fields.
const std::wstring kSample =
    L"名前,住所,\"メモ, 備考\",数量\r\n"
    L"山田太郎,\"東京都, 千代田区\",\"彼は\"\"はい\"\"と言った\",3\r\n"
    L"鈴木,,\"\",12\r\n"
    L"佐藤花子,大阪府,\"改行なし, カンマあり\",7\r\n"
    L"森鷗外,\"\U00020BB7野家, 本店\",\"鷗\",9\r\n";  // beyond code page 932

TEST_F(CsvView, TickShowsColumnsRowsAndCellsOnScreen) {
  Open(L"sample.csv", "\xEF\xBB\xBF" + Utf8(kSample));
  ASSERT_EQ(form_->Doc.TextCode, tcUtf8);
  ASSERT_TRUE(form_->CheckBox7->Enabled());
  Tick(true);
  ASSERT_TRUE(Lv()->Visible());
  EXPECT_TRUE(IsWindowVisible(LvWnd()));
  EXPECT_FALSE(IsWindowVisible(TextViewWnd()));
  ASSERT_EQ(Lv()->ColumnCount(), 4);
  const wchar_t* captions[] = {L"名前", L"住所", L"メモ, 備考", L"数量"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Cp932ToWide(Lv()->Column(i)->Caption()), captions[i]);
  ExpectRowsMatchView("ticked");
  ASSERT_GE(Lv()->Count(), 4);
  EXPECT_EQ(Field(*form_->CsvRowLine(1), 2), L"彼は\"はい\"と言った");
  EXPECT_EQ(Field(*form_->CsvRowLine(2), 1), L"");

  // On screen: ink in the cells that hold text, none in the empty ones.
  RedrawWindow(LvWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  const Pixels px = Capture(LvWnd());
  auto ink = [&](int row, int col) {
    RECT r = Lv()->SubItemRect(row, col);
    return Ink(px, RECT{r.left + 3, r.top + 1, r.right - 1, r.bottom - 1});
  };
  // Nothing but the rows: no text of the hidden view above the first row.
  EXPECT_EQ(Ink(px, RECT{0, 0, px.width, Lv()->Item(0)->DisplayRect().top}), 0);
  ASSERT_GE(Lv()->Count(), 5);
  EXPECT_EQ(Field(*form_->CsvRowLine(4), 1), L"\U00020BB7野家, 本店");
  for (int row = 0; row < 5; ++row) {
    for (int col = 0; col < 4; ++col) {
      const bool text = !Field(*form_->CsvRowLine(row), col).empty();
      if (text) {
        EXPECT_GT(ink(row, col), 3) << row << "," << col;
      } else {
        EXPECT_EQ(ink(row, col), 0) << row << "," << col;
      }
    }
  }
  SaveWindow(form_->Handle(), L"csv_view.bmp");
  // The same with two rows selected and the captions shown.
  Drag(1, {2});
  form_->N24->Click();
  RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE | RDW_ALLCHILDREN);
  SaveWindow(form_->Handle(), L"csv_view_captions.bmp");
}

TEST_F(CsvView, ColumnsCappedAtTheSetting) {
  std::wstring head, row;
  for (int i = 0; i < 15; ++i) {
    head += (i ? L"," : L"") + std::wstring(L"h") + std::to_wstring(i);
    row += (i ? L"," : L"") + std::to_wstring(i * 10);
  }
  form_->Settings.CsvColumnMax = 10;
  Open(L"wide.csv", WideToCp932(head + L"\r\n" + row + L"\r\n"));
  Tick(true);
  ASSERT_EQ(Lv()->ColumnCount(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Lv()->Column(i)->Caption(), "h" + std::to_string(i));
  EXPECT_EQ(Lv()->Item(1)->SubItem(8), "90");
  ExpectRowsMatchView("capped");
}

// Many numbered lines: "r<n>,<n>,x<n>".
std::string NumberedCsv(int lines) {
  std::string s = "no,value,name\r\n";
  for (int i = 1; i < lines; ++i) s += "r" + std::to_string(i) + "," + std::to_string(i * 3) + ",x" + std::to_string(i) + "\r\n";
  return s;
}

TEST_F(CsvView, CaptionsFromTheFirstLineAndPagingInStep) {
  const std::string bytes = NumberedCsv(400);
  Open(L"many.csv", bytes);
  ShowAt(static_cast<int64_t>(bytes.size() / 2));
  const int64_t away = form_->MyTrackBar1->Position();
  ASSERT_GT(away, 0);
  Tick(true);
  EXPECT_EQ(form_->MyTrackBar1->Position(), away);
  ASSERT_EQ(Lv()->ColumnCount(), 3);
  EXPECT_EQ(Lv()->Column(0)->Caption(), "no");
  EXPECT_EQ(Lv()->Column(2)->Caption(), "name");
  ExpectRowsMatchView("ticked away from the start");
  EXPECT_NE(Lv()->Item(0)->Caption(), "no");

  // Forward, back, and the last page, which is shorter: every line keeps its row.
  ShowAt(bytes.size() / 4);
  ExpectRowsMatchView("back");
  const int full = Lv()->Count();
  ShowAt(static_cast<int64_t>(bytes.size()) - 40);
  ExpectRowsMatchView("last page");
  EXPECT_LT(Lv()->Count(), full);
  // On screen too: no earlier row below the page's last one.
  UpdateWindow(LvWnd());
  const Pixels px = Capture(LvWnd());
  int lastText = Lv()->Count() - 1;
  while (lastText > 0 && form_->CsvRowLine(lastText)->empty()) --lastText;
  EXPECT_GT(Ink(px, Lv()->Item(lastText)->DisplayRect()), 0);
  const RECT last = Lv()->Item(Lv()->Count() - 1)->DisplayRect();
  EXPECT_EQ(Ink(px, RECT{0, last.bottom, px.width, px.height}), 0);
  ShowAt(0);
  ExpectRowsMatchView("first page");
  EXPECT_EQ(Lv()->Item(0)->Caption(), "no");
  EXPECT_EQ(Lv()->ColumnCount(), 3);
}

TEST_F(CsvView, RowDragSelectsTheLinesInTheFileAndBack) {
  const std::string bytes = NumberedCsv(30);
  Open(L"drag.csv", bytes);
  Tick(true);
  ASSERT_GT(Lv()->Count(), 8);
  // Rows 2 to 4: the file's bytes from line 2's start to line 4's end.
  Drag(2, {3, 4});
  EXPECT_EQ(Selected(), Range(2, 4));
  const std::vector<csvview::LineSpan> lines = csvview::SplitLines(bytes);
  EXPECT_EQ(form_->Doc.SelStart, lines[2].start);
  EXPECT_EQ(form_->Doc.SelLength, lines[4].End() - lines[2].start);
  EXPECT_EQ(form_->GetSelTextNarrow(), bytes.substr(lines[2].start, lines[4].End() - lines[2].start));

  // Selected rows on screen: the highlight with white text while the list
  // view has the focus, grey without it; the other rows stay white.
  auto background = [&](int row) {
    UpdateWindow(LvWnd());
    const Pixels px = Capture(LvWnd());
    const RECT r = Lv()->Item(row)->DisplayRect();
    return px.At(std::min<LONG>(r.right, px.width) - 4, (r.top + r.bottom) / 2);
  };
  ASSERT_EQ(GetFocus(), LvWnd());
  EXPECT_EQ(background(3), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(background(6), RGB(255, 255, 255));
  form_->ComboBox1->SetFocus();
  Lv()->Invalidate();
  EXPECT_EQ(background(3), RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(background(6), RGB(255, 255, 255));

  // A quick drag down and back: only the block between anchor and pointer stays.
  Drag(2, {8, 3});
  EXPECT_EQ(Selected(), Range(2, 3));
  EXPECT_EQ(form_->Doc.SelStart, lines[2].start);
  EXPECT_EQ(form_->Doc.SelLength, lines[3].End() - lines[2].start);

  // A text selection selects its rows.
  form_->SetSelection(lines[5].start + 2, lines[7].start + 1);
  form_->HandleEditMouse(0);
  form_->SyncCsvSelection();
  EXPECT_EQ(Selected(), Range(5, 7));

  // Rows with a hole between them come back as one block, rows and text alike.
  Lv()->ClearSelection();
  Lv()->Item(1)->SetSelected(true);
  Lv()->Item(4)->SetSelected(true);
  form_->CsvSelectionToText();
  EXPECT_EQ(Selected(), Range(1, 4));
  EXPECT_EQ(form_->Doc.SelStart, lines[1].start);
  EXPECT_EQ(form_->Doc.SelLength, lines[4].End() - lines[1].start);

  // Paging keeps the selection on its rows.
  ShowAt(0);
  EXPECT_EQ(Selected(), Range(1, 4));
}

TEST_F(CsvView, LoneLineEndsKeepRowsAndLinesTogether) {
  // LF-only lines and one lone CR, in the memo (Shift_JIS) and in a pane (UTF-8).
  const std::wstring text = L"a,b\nいち,1\nに,2\rさん,3\r\nし,4\nご,5\n";
  int n = 0;
  for (bool utf8 : {false, true}) {
    const std::string bytes = utf8 ? Utf8(text) : WideToCp932(text);
    const std::vector<csvview::LineSpan> lines = csvview::SplitLines(bytes);
    for (bool crlf : {false, true}) {
      SCOPED_TRACE(std::string(utf8 ? "UTF-8" : "Shift_JIS") + (crlf ? ", CR/LF on" : ", CR/LF off"));
      Open(L"lf" + std::to_wstring(++n) + L".csv", bytes);
      ASSERT_EQ(form_->Doc.TextCode, utf8 ? tcUtf8 : tcShiftJis);
      if (form_->CheckBox6->Checked() != crlf) {
        form_->CheckBox6->SetChecked(crlf);
        Application->ProcessMessages();
      }
      if (!form_->CheckBox7->Checked()) Tick(true);
      ShowAt(0);
      ExpectRowsMatchView("page");
      ASSERT_GE(Lv()->Count(), 6);
      for (int row : {1, 3, 5}) {
        Drag(row, {});
        EXPECT_EQ(Selected(), Range(row, row));
        EXPECT_EQ(form_->Doc.SelStart, lines[static_cast<size_t>(row)].start) << row;
        EXPECT_EQ(form_->Doc.SelLength, lines[static_cast<size_t>(row)].length) << row;
        EXPECT_EQ(Field(*form_->CsvRowLine(row), 1), std::to_wstring(row)) << row;
      }
    }
  }
}

TEST_F(CsvView, PopupCopiesRowsAndShowsCaptions) {
  Open(L"pop.csv", "\xEF\xBB\xBF" + Utf8(kSample));
  Tick(true);
  Drag(1, {2});
  ASSERT_EQ(Selected(), Range(1, 2));
  // Right click: the menu, with Copy enabled; Copy puts the two lines on the clipboard.
  bool enabled = false;
  TPopupMenu::Tracker = [&](TPopupMenu* m, int, int) -> UINT {
    enabled = form_->Copy2->Enabled();
    EXPECT_EQ(m, form_->PopupMenu3);
    return form_->Copy2->Command();
  };
  const POINT p = RowPoint(1);
  PostMessageW(LvWnd(), WM_RBUTTONUP, 0, At(p));
  SendMessageW(LvWnd(), WM_RBUTTONDOWN, MK_RBUTTON, At(p));
  Application->ProcessMessages();
  EXPECT_TRUE(enabled);
  const std::vector<std::wstring> lines = csvview::LineTexts(kSample);
  EXPECT_EQ(Clipboard::GetTextW(), lines[1] + L"\r\n" + lines[2]);

  // Nothing selected: Copy is disabled.
  Lv()->ClearSelection();
  form_->PopupMenu3Popup();
  EXPECT_FALSE(form_->Copy2->Enabled());

  // The captions shown and hidden.
  const HWND header = reinterpret_cast<HWND>(SendMessageW(LvWnd(), LVM_GETHEADER, 0, 0));
  EXPECT_FALSE(IsWindowVisible(header));
  form_->N24->Click();
  Application->ProcessMessages();
  EXPECT_TRUE(form_->N24->Checked());
  EXPECT_TRUE(IsWindowVisible(header));
  ExpectRowsMatchView("with captions");
  form_->N24->Click();
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindowVisible(header));
}

TEST_F(CsvView, UntickingBringsTheTextViewBackWithTheRowsSelected) {
  const std::string bytes = NumberedCsv(20);
  Open(L"back.csv", bytes);
  Tick(true);
  Drag(3, {5});
  Tick(false);
  EXPECT_FALSE(Lv()->Visible());
  EXPECT_FALSE(IsWindowVisible(LvWnd()));
  EXPECT_TRUE(IsWindowVisible(TextViewWnd()));
  EXPECT_EQ(Lv()->Count(), 0);
  EXPECT_EQ(Lv()->ColumnCount(), 0);
  const std::vector<csvview::LineSpan> lines = csvview::SplitLines(bytes);
  EXPECT_EQ(form_->GetSelStart(), lines[3].start);
  EXPECT_EQ(form_->GetSelLength(), lines[5].End() - lines[3].start);
  // Ticked again away from the start: the stored captions come back.
  ShowAt(static_cast<int64_t>(bytes.size() / 2));
  Tick(true);
  ASSERT_EQ(Lv()->ColumnCount(), 3);
  EXPECT_EQ(Lv()->Column(1)->Caption(), "value");
  ExpectRowsMatchView("again");
}

TEST_F(CsvView, CtrlClickScrollingDragSearchHitAndColumnRightClick) {
  const std::string bytes = NumberedCsv(200);
  Open(L"more.csv", bytes);
  Tick(true);
  const std::vector<csvview::LineSpan> lines = csvview::SplitLines(bytes);
  // A click, then a Ctrl+click further down: one block of rows and of text.
  Drag(1, {});
  Drag(4, {}, MK_CONTROL);
  EXPECT_EQ(Selected(), Range(1, 4));
  EXPECT_EQ(form_->Doc.SelStart, lines[1].start);
  EXPECT_EQ(form_->Doc.SelLength, lines[4].End() - lines[1].start);

  // Dragging onto the last fully visible row scrolls one row per move. The
  // rows are a little taller than the text view's lines: a tall window with
  // the captions shown has some rows below the list view's edge.
  form_->SetBounds(10, 10, 760, 860);
  form_->N24->Click();
  Application->ProcessMessages();
  const int visible = Lv()->VisibleRowCount();
  ASSERT_GT(Lv()->Count(), visible) << "the page needs rows below the list view's edge";
  const int moves = std::min(3, Lv()->Count() - visible);
  ASSERT_EQ(Lv()->TopItem()->Index(), 0);
  const int bottom = visible - 1;
  PostMessageW(LvWnd(), WM_MOUSEMOVE, MK_LBUTTON, At(RowPoint(1)));  // the click tracking's own
  for (int i = 0; i < moves; ++i) PostMessageW(LvWnd(), WM_MOUSEMOVE, MK_LBUTTON, At(RowPoint(bottom)));
  PostMessageW(LvWnd(), WM_LBUTTONUP, 0, At(RowPoint(bottom)));
  SendMessageW(LvWnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(RowPoint(0)));
  Application->ProcessMessages();
  // The pointer stays where it is while the rows move up under it.
  EXPECT_EQ(Lv()->TopItem()->Index(), moves);
  EXPECT_EQ(Selected().front(), 0);
  form_->N24->Click();
  Application->ProcessMessages();

  // A click on a line number selects that line's row.
  form_->N26->Click();
  Application->ProcessMessages();
  ASSERT_TRUE(form_->ListBox1->Visible());
  ASSERT_GT(form_->ListBox1->Count(), 6);
  const RECT numberRect = form_->ListBox1->ItemRect(5);
  form_->ListBox1MouseDown(mbLeft, numberRect.left + 2, (numberRect.top + numberRect.bottom) / 2);
  Application->ProcessMessages();
  EXPECT_EQ(Selected(), Range(5, 5));
  EXPECT_EQ(form_->Doc.SelStart, lines[5].start);
  form_->N26->Click();
  Application->ProcessMessages();

  // A search hit selects its rows.
  form_->AskSearchTextHook = [](std::wstring& text) {
    text = L"r7,21";
    return true;
  };
  ShowAt(0);
  form_->Find2Click();
  Application->ProcessMessages();
  ASSERT_EQ(form_->Doc.SelStart, lines[7].start);
  ASSERT_EQ(Selected().size(), 1u);
  EXPECT_EQ(*form_->CsvRowLine(Selected().front()), L"r7,21,x7");
  ExpectRowsMatchView("after the search");

  // A right click on a caption shows the page again with the stored captions.
  form_->N24->Click();
  Application->ProcessMessages();
  Lv()->Column(1)->SetCaption("changed");
  const HWND header = reinterpret_cast<HWND>(SendMessageW(LvWnd(), LVM_GETHEADER, 0, 0));
  NMHDR nm = {header, static_cast<UINT_PTR>(GetDlgCtrlID(header)), static_cast<UINT>(NM_RCLICK)};
  SendMessageW(LvWnd(), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
  Application->ProcessMessages();
  EXPECT_EQ(Lv()->Column(1)->Caption(), "value");
  ExpectRowsMatchView("after the right click");
}

TEST_F(CsvView, AnotherKindOfFileEndsTheColumnView) {
  for (const bool wideFirst : {false, true}) {
    SCOPED_TRACE(wideFirst ? "from UTF-8" : "from Shift_JIS");
    Open(L"a.csv", wideFirst ? "\xEF\xBB\xBF" + Utf8(kSample) : WideToCp932(kSample));
    Tick(true);
    form_->N24->Click();
    Application->ProcessMessages();
    for (const bool wideNext : {false, true}) {
      SCOPED_TRACE(wideNext ? "to UTF-8" : "to Shift_JIS");
      Open(L"b.txt", wideNext ? "\xEF\xBB\xBF" + Utf8(L"plain text\r\n") : "plain text\r\n");
      EXPECT_FALSE(form_->CheckBox7->Checked());
      EXPECT_FALSE(form_->CheckBox7->Enabled());
      EXPECT_FALSE(IsWindowVisible(LvWnd()));
      EXPECT_TRUE(IsWindowVisible(TextViewWnd()));
      EXPECT_EQ(ViewText(), L"plain text\r\n");
    }
    // The next ".csv" file starts without the captions row.
    Open(L"c.csv", WideToCp932(kSample));
    Tick(true);
    EXPECT_FALSE(form_->N24->Checked());
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(SendMessageW(LvWnd(), LVM_GETHEADER, 0, 0))));
    ExpectRowsMatchView("next file");
    Tick(false);
  }
}

TEST_F(CsvView, EmptyFileAndAFirstLineWithoutFields) {
  Open(L"empty.csv", "");
  Tick(true);
  EXPECT_TRUE(IsWindowVisible(LvWnd()));
  EXPECT_EQ(Lv()->ColumnCount(), 0);
  EXPECT_LE(Lv()->Count(), 1);
  Tick(false);
  // A quote left open on the first line counts no field: no column.
  Open(L"open.csv", "\"abc\r\nx,y\r\n");
  Tick(true);
  EXPECT_EQ(Lv()->ColumnCount(), 0);
  ExpectRowsMatchView("open quote");
  RedrawWindow(LvWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
}

TEST_F(CsvView, OddInputs) {
  // UTF-16 with mark, a quoted field with CR LF inside, an empty line, a very long line.
  std::wstring longField(12000, L'長');
  const std::wstring text = L"a,b,c\r\n\"x\r\ny\",2,3\r\n\r\n,,\r\n" + longField + L",\"q\r\n";
  for (bool be : {false, true}) {
    SCOPED_TRACE(be ? "UTF-16 BE" : "UTF-16 LE");
    const std::u16string t(text.begin(), text.end());
    Open(be ? L"u16be.csv" : L"u16le.csv",
         be ? std::string("\xFE\xFF", 2) + testsupport::Utf16Be(t) : testsupport::Utf16Le(text, true));
    ASSERT_EQ(form_->Doc.TextCode, tcUtf16);
    if (!form_->CheckBox7->Checked()) Tick(true);
    ShowAt(0);
    ExpectRowsMatchView("page");
    EXPECT_EQ(Lv()->ColumnCount(), 3);
    ASSERT_GE(Lv()->Count(), 5);
    EXPECT_EQ(Field(*form_->CsvRowLine(1), 0), L"x");  // the field's rest is the next row's
    EXPECT_EQ(Field(*form_->CsvRowLine(3), 0), L"");
    const std::wstring shownLong = Field(*form_->CsvRowLine(5), 0);
    EXPECT_TRUE(shownLong == longField.substr(0, shownLong.size())) << shownLong.size();
    EXPECT_GT(shownLong.size(), 1000u);
    RedrawWindow(LvWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  }
}

}  // namespace
