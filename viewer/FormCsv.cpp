// The CSV column view: ListView1 shows the page one row per line and one
// column per comma-separated field, painting every cell itself from the
// line's UTF-16 text. The hidden text view keeps the page and the selection;
// rows and text selection are kept in step both ways, with the line starts
// taken from the view's own text (never from the edit control's line
// messages, which count line breaks differently from the rows).
#include <algorithm>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "text/Csv.h"
#include "text/CsvView.h"
#include "viewer/VastrelForm.h"

namespace {

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }
std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring FieldOf(const std::wstring& line, int n) { return W(csvtext::CsvFieldText(U16(line), n)); }

int FieldCount(const std::wstring& line) {
  std::u16string s = U16(line);
  return csvtext::CsvField(&s, -1);
}

// A row's line: the UTF-16 copy the row owns.
std::wstring* RowLine(TListItem* item) { return item ? static_cast<std::wstring*>(item->Data) : nullptr; }

void FreeRowLine(TListItem* item) {
  delete RowLine(item);
  item->Data = nullptr;
}

TListColumn* AddCsvColumn(TListView* view) {
  TListColumn* c = view->AddColumn();
  c->SetMinWidth(40);
  c->SetWidth(50);
  c->SetAutoSize(true);
  return c;
}

}  // namespace

bool TVastrelForm::CsvViewOn() { return CheckBox7->Enabled() && CheckBox7->Checked(); }

std::vector<csvview::LineSpan> TVastrelForm::ViewLineSpans() {
  return IsWideView() ? csvview::SplitLines(GetTextWide()) : csvview::SplitLines(GetTextNarrow());
}

bool TVastrelForm::SelectedLineRange(int* first, int* last) {
  return csvview::SelectedLines(ViewLineSpans(), GetSelStart(), GetSelLength(), first, last);
}

const std::wstring* TVastrelForm::CsvRowLine(int row) {
  return row >= 0 && row < ListView1->Count() ? RowLine(ListView1->Item(row)) : nullptr;
}

void TVastrelForm::SelectCsvRows(int first, int last) {
  for (int i = 0; i < ListView1->Count(); ++i) {
    TListItem* item = ListView1->Item(i);
    const bool want = i >= first && i <= last;
    if (item->Selected() != want) item->SetSelected(want);
  }
}

void TVastrelForm::MarkCsvRowsOfSelection() {
  int first = -1, last = -1;
  if (!SelectedLineRange(&first, &last)) first = last = -1;
  SelectCsvRows(first, last);
}

void TVastrelForm::FillCsvView(const std::wstring& page) {
  const std::vector<std::wstring> lines = csvview::LineTexts(page);
  ListView1->BeginUpdate();
  // 2: columns from the first line, captions from the file's first line.
  const int fields = lines.empty() ? 0 : FieldCount(lines[0]);
  const int have = ListView1->ColumnCount();
  const int target = csvview::ColumnTarget(have, fields, CsvHeaderTaken, Settings.CsvColumnMax);
  const bool firstPage = MyTrackBar1->Position() == 0;
  for (int i = have; i < target; ++i) {
    TListColumn* c = AddCsvColumn(ListView1);
    if (firstPage) {
      const std::string caption = WideToCp932(FieldOf(lines[0], i));
      c->SetCaption(caption);
      c->SetAlignment(taCenter);
      if (!CsvHeaderTaken) CsvHeaderList->Add(caption);
    }
  }
  const int columns = ListView1->ColumnCount();

  // 3: a row per line, owning its copy of the line.
  int first = -1, last = -1;
  if (!SelectedLineRange(&first, &last)) first = last = -1;
  for (size_t n = 0; n < lines.size(); ++n) {
    const int i = static_cast<int>(n);
    TListItem* item = i < ListView1->Count() ? ListView1->Item(i) : ListView1->AddItem();
    item->SetCaption(WideToCp932(FieldOf(lines[n], 0)));
    FreeRowLine(item);
    item->Data = new std::wstring(lines[n]);
    const bool want = i >= first && i <= last;
    if (item->Selected() != want) item->SetSelected(want);
    for (int j = 1; j < columns; ++j) item->SetSubItem(j - 1, WideToCp932(FieldOf(lines[n], j)));
  }
  // 4: the rows past the page go.
  while (ListView1->Count() > static_cast<int>(lines.size())) {
    const int i = ListView1->Count() - 1;
    FreeRowLine(ListView1->Item(i));
    ListView1->DeleteItem(i);
  }
  CsvHeaderTaken = true;
  CsvPaintPrevious = -1;
  ListView1->EndUpdate();
}

void TVastrelForm::ListView1AdvancedCustomDrawItem(TListItem* item, unsigned, bool& defaultDraw) {
  defaultDraw = false;
  const int index = item->Index();
  // The text selection's lines, taken once per paint (a paint goes down the rows).
  if (index <= CsvPaintPrevious || CsvPaintPrevious < 0) {
    CsvPaintHasRange = SelectedLineRange(&CsvPaintFirst, &CsvPaintLast);
  }
  CsvPaintPrevious = index;
  const bool selected = item->Selected() || (CsvPaintHasRange && index >= CsvPaintFirst && index <= CsvPaintLast);
  const bool focused = ListView1->Focused();
  TCanvas& c = ListView1->Canvas();
  const RECT bounds = item->DisplayRect();
  TColor font = ListView1->Font().Color();
  c.BrushStyle = bsSolid;
  if (selected) {
    c.BrushColor = focused ? clHighlight : TColor(0xC0C0C0);
    if (focused) font = TColor(0xFFFFFF);
  } else {
    c.BrushColor = ListView1->Color();
  }
  c.FillRect(bounds);
  if (focused && selected && ListView1->SelCount() == 1) DrawFocusRect(c.Handle(), &bounds);
  const std::wstring* line = RowLine(item);
  if (!line) return;
  c.Font.SetColor(font);
  for (int i = 0; i < ListView1->ColumnCount(); ++i) {
    RECT r = ListView1->SubItemRect(index, i);
    r.left += 3;
    c.TextRect(r, FieldOf(*line, i), DT_WORD_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  }
}

void TVastrelForm::SetTextViewShown(bool shown) {
  // The window alone: the memo keeps its place in the layout (the page's
  // line count is measured on it).
  const HWND view = IsWideView() ? CurrentPane : (Memo1->HandleAllocated() ? Memo1->Handle() : nullptr);
  if (view && (IsWindowVisible(view) != FALSE) != shown) ShowWindow(view, shown ? SW_SHOWNA : SW_HIDE);
}

void TVastrelForm::SetSliderPositionQuietly(int64_t position) {
  TNotifyEvent keep = MyTrackBar1->OnChange;
  MyTrackBar1->OnChange = nullptr;
  MyTrackBar1->SetPosition(position);
  MyTrackBar1->OnChange = keep;
}

void TVastrelForm::WidenCsvView() {
  // The auto-sized columns share the width again (the client alignment puts
  // the width back at once).
  ListView1->SetWidth(ListView1->Width() + 1);
}

void TVastrelForm::CheckBox7Click() {
  const int fontPixels = -ListBox1->Font().Height();
  if (CheckBox7->Checked()) {
    if (CsvHeaderList->Count() == 0) {
      // The captions come from the file's first line, wherever the page is.
      CsvHeaderTaken = false;
      const int64_t keep = MyTrackBar1->Position();
      SetSliderPositionQuietly(0);
      MovingBack = MovingForward = false;
      ShowPage(false, true, 0);
      SetSliderPositionQuietly(keep);
    }
    SetTextViewShown(false);
    ListBox1->SetItemHeight(fontPixels + 1);
    SyncCsvSelection();
    if (MyTrackBar1->Position() > 0) RestoreCsvColumns();
    MovingBack = MovingForward = false;
    ShowPage(false, true, MyTrackBar1->Position());
    WidenCsvView();
    ListView1->SetVisible(true);
    if (ListView1->CanFocus()) ListView1->SetFocus();
    ShowPage(false, true, MyTrackBar1->Position());
    WidenCsvView();
  } else {
    SetTextViewShown(true);
    ListBox1->SetItemHeight(fontPixels);
    RedrawTextView(true);
    CsvSelectionToText();
    ClearCsvView();
    if (N26->Checked()) FillLineNumbers();
    ListView1->SetVisible(false);
    FocusTextView();
  }
}

void TVastrelForm::RestoreCsvColumns() {
  for (int i = 0; i < CsvHeaderList->Count(); ++i) {
    TListColumn* c = i < ListView1->ColumnCount() ? ListView1->Column(i) : nullptr;
    if (!c) {
      c = AddCsvColumn(ListView1);
      c->SetAlignment(taCenter);
    }
    c->SetCaption(CsvHeaderList->Get(i));
  }
}

void TVastrelForm::RefreshCsvView() {
  if (!ListView1->Visible()) return;
  MovingBack = MovingForward = false;
  ShowPage(false, true, MyTrackBar1->Position());
  RestoreCsvColumns();
  WidenCsvView();
}

void TVastrelForm::ClearCsvView() {
  ListView1->BeginUpdate();
  for (int i = 0; i < ListView1->Count(); ++i) FreeRowLine(ListView1->Item(i));
  ListView1->Clear();
  ListView1->ClearColumns();
  ListView1->EndUpdate();
  CsvPaintPrevious = -1;
}

void TVastrelForm::SyncCsvSelection() {
  ListView1->ClearSelection();
  int first = -1, last = -1;
  if (SelectedLineRange(&first, &last) && first >= 0 && last < ListView1->Count()) SelectCsvRows(first, last);
}

void TVastrelForm::CsvSelectionToText() {
  const std::vector<int> rows = ListView1->SelectedIndexes();
  if (rows.empty()) return;
  // One block: from the first selected row's line start to the end of the last one's line.
  const int first = rows.front(), last = rows.back();
  int64_t start = 0, end = 0;
  if (!csvview::RowsSelection(ViewLineSpans(), first, last, &start, &end)) return;
  SetSelection(start, end);
  HandleEditMouse(0);
  SelectCsvRows(first, last);
}

void TVastrelForm::CsvItemToText(TListItem* item) {
  if (!item) item = ListView1->Selected();
  if (!item) return;
  int64_t start = 0, end = 0;
  if (!csvview::RowsSelection(ViewLineSpans(), item->Index(), item->Index(), &start, &end)) return;
  SetSelection(start, end);
  HandleEditMouse(0);
}

void TVastrelForm::ExtendCsvSelection(TListView* view, int anchor, bool scroll, int current) {
  int lo = 0, hi = 0;
  if (!csvview::DragBlock(anchor, current, &lo, &hi)) return;
  // Every row: a quick move back leaves none of the earlier block behind.
  for (int i = 0; i < view->Count(); ++i) {
    TListItem* item = view->Item(i);
    const bool want = i >= lo && i <= hi;
    if (item->Selected() != want) item->SetSelected(want);
  }
  if (!scroll || view->Count() == 0) return;
  TListItem* top = view->TopItem();
  const int topIndex = top ? top->Index() : 0;
  const RECT r = view->Item(0)->DisplayRect();
  const int rowHeight = std::max<int>(1, r.bottom - r.top);
  if (current >= topIndex + view->VisibleRowCount() - 1) {
    view->Scroll(0, rowHeight);
  } else if (current <= topIndex) {
    view->Scroll(0, -rowHeight);
  }
}

void TVastrelForm::ListView1MouseDown(TMouseButton button, int x, int y) {
  TListItem* item = ListView1->GetItemAt(x, y);
  if (!item) return;
  CsvDragAnchor = item->Index();
  if (button == mbLeft) {
    CsvItemToText(item);
    ListView1->Invalidate();
  } else if (button == mbRight) {
    POINT p = {x, y};
    ClientToScreen(ListView1->Handle(), &p);
    PopupMenu3->Popup(p.x, p.y, Handle());
  }
}

void TVastrelForm::ListView1MouseMove(TShiftState shift, int x, int y) {
  if (!(shift & ssLeft) || x <= 16) return;
  TListItem* item = ListView1->GetItemAt(x, y);
  if (item) ExtendCsvSelection(ListView1, CsvDragAnchor, true, item->Index());
}

void TVastrelForm::ListView1MouseUp(TMouseButton button, int, int) {
  CsvDragAnchor = -1;
  if (button != mbLeft) return;
  CsvSelectionToText();
  FocusTextView();
}

void TVastrelForm::PopupMenu3Popup() { Copy2->SetEnabled(ListView1->SelCount() > 0); }

void TVastrelForm::Copy2Click() {
  std::vector<std::u16string> lines;
  for (int i : ListView1->SelectedIndexes()) {
    const std::wstring* line = CsvRowLine(i);
    lines.push_back(line ? U16(*line) : std::u16string());
  }
  if (lines.empty()) return;
  CopyTextToClipboard(W(csvview::JoinRows(lines, 0, static_cast<int>(lines.size()) - 1)));
}

void TVastrelForm::N24Click() {
  N24->SetChecked(!N24->Checked());
  N24->SetImageIndex(7 + (N24->Checked() ? 1 : 0));
  ListView1->SetShowColumnHeaders(N24->Checked());
  MovingBack = MovingForward = false;
  ShowPage(false, true, MyTrackBar1->Position());
  ListView1->Invalidate();
}

void TVastrelForm::InstallCsvHandlers() {
  ListView1->OnAdvancedCustomDrawItem = [this](TListView*, TListItem* item, TCustomDrawState state,
                                               TCustomDrawStage stage, bool& defaultDraw) {
    if (stage == cdPrePaint) ListView1AdvancedCustomDrawItem(item, state, defaultDraw);
  };
  ListView1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { ListView1MouseDown(b, x, y); };
  ListView1->OnMouseMove = [this](TWinControl*, TShiftState s, int x, int y) { ListView1MouseMove(s, x, y); };
  ListView1->OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { ListView1MouseUp(b, x, y); };
  ListView1->OnColumnRightClick = [this](TListView*, TListColumn*, POINT) { RefreshCsvView(); };
  CheckBox7->OnClick = [this](TWinControl*) { CheckBox7Click(); };
  // The list view's own double buffering (under wine) erases nothing outside
  // the rows: a shorter page would leave the earlier rows on screen.
  ListView1->SetDoubleBuffered(false);
  PopupMenu3->OnPopup = [this](TPopupMenu*) { PopupMenu3Popup(); };
  Copy2->OnClick = [this](TMenuItem*) { Copy2Click(); };
  N24->OnClick = [this](TMenuItem*) { N24Click(); };
  SyncCsvSelectionHook = [this] {
    if (CsvViewOn()) SyncCsvSelection();
  };
}
