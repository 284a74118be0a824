#include "framework/ComCtrls.h"
#include <windowsx.h>
#include <algorithm>
#include "framework/Cp932.h"

void InitCommonControlsOnce() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  done = true;
}

// ---- TImageList

TImageList::TImageList(int width, int height) : width_(width), height_(height) {
  InitCommonControlsOnce();
  list_ = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 0, 16);
}

TImageList::~TImageList() {
  if (list_) ImageList_Destroy(list_);
}

int TImageList::Count() const { return list_ ? ImageList_GetImageCount(list_) : 0; }

int TImageList::AddMasked(TBitmap& image, TColor maskColour) {
  if (!list_) return -1;
  // The image list copies from a bitmap that no device context holds.
  HDC screen = GetDC(nullptr);
  HBITMAP copy = CreateCompatibleBitmap(screen, width_, height_);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, copy);
  BitBlt(dc, 0, 0, width_, height_, image.Canvas().Handle(), 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  int index = ImageList_AddMasked(list_, copy, ColorToRGB(maskColour));
  DeleteObject(copy);
  return index;
}

void TImageList::Draw(HDC dc, int x, int y, int index, bool enabled) const {
  if (!list_ || !dc || index < 0 || index >= Count()) return;
  if (enabled) {
    ImageList_Draw(list_, index, dc, x, y, ILD_TRANSPARENT);
    return;
  }
  HICON icon = ImageList_GetIcon(list_, index, ILD_TRANSPARENT);
  if (!icon) return;
  DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, width_, height_, DST_ICON | DSS_DISABLED);
  DestroyIcon(icon);
}

HICON TImageList::GetIcon(int index) const {
  if (!list_ || index < 0 || index >= Count()) return nullptr;
  return ImageList_GetIcon(list_, index, ILD_TRANSPARENT);
}

void TImageList::Clear() {
  if (list_) ImageList_RemoveAll(list_);
}

// ---- The program's glyphs

namespace {
const TColor kMask = 0xFF00FF;

struct GlyphPainter {
  HDC dc;
  void Fill(int l, int t, int r, int b, COLORREF c) {
    RECT rc = {l, t, r, b};
    HBRUSH br = CreateSolidBrush(c);
    FillRect(dc, &rc, br);
    DeleteObject(br);
  }
  void Frame(int l, int t, int r, int b, COLORREF c) {
    RECT rc = {l, t, r, b};
    HBRUSH br = CreateSolidBrush(c);
    FrameRect(dc, &rc, br);
    DeleteObject(br);
  }
  void Line(int x1, int y1, int x2, int y2, COLORREF c, int w = 1) {
    HPEN p = CreatePen(PS_SOLID, w, c);
    HGDIOBJ old = SelectObject(dc, p);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(p);
  }
  void Poly(const POINT* pts, int n, COLORREF fill, COLORREF edge) {
    HPEN p = CreatePen(PS_SOLID, 1, edge);
    HBRUSH b = CreateSolidBrush(fill);
    HGDIOBJ op = SelectObject(dc, p), ob = SelectObject(dc, b);
    Polygon(dc, pts, n);
    SelectObject(dc, op);
    SelectObject(dc, ob);
    DeleteObject(p);
    DeleteObject(b);
  }
  void Oval(int l, int t, int r, int b, COLORREF fill, COLORREF edge) {
    HPEN p = CreatePen(PS_SOLID, 1, edge);
    HBRUSH br = fill == CLR_NONE ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : CreateSolidBrush(fill);
    HGDIOBJ op = SelectObject(dc, p), ob = SelectObject(dc, br);
    Ellipse(dc, l, t, r, b);
    SelectObject(dc, op);
    SelectObject(dc, ob);
    DeleteObject(p);
    if (fill != CLR_NONE) DeleteObject(br);
  }
};

const COLORREF kInk = RGB(40, 40, 40), kBlue = RGB(30, 90, 200), kGreen = RGB(20, 140, 60), kRed = RGB(200, 30, 30),
               kPaper = RGB(255, 255, 255), kGrey = RGB(128, 128, 128), kYellow = RGB(240, 200, 40),
               kBrown = RGB(150, 100, 50), kLight = RGB(220, 220, 220);

void Page(GlyphPainter& g) {
  g.Fill(3, 1, 13, 15, kPaper);
  g.Frame(3, 1, 13, 15, kGrey);
}

void Arrow(GlyphPainter& g, bool right, COLORREF c) {
  POINT pts[7];
  if (right) {
    POINT p[7] = {{2, 6}, {8, 6}, {8, 2}, {14, 8}, {8, 14}, {8, 10}, {2, 10}};
    std::copy(p, p + 7, pts);
  } else {
    POINT p[7] = {{14, 6}, {8, 6}, {8, 2}, {2, 8}, {8, 14}, {8, 10}, {14, 10}};
    std::copy(p, p + 7, pts);
  }
  g.Poly(pts, 7, c, kInk);
}

void TickBox(GlyphPainter& g, bool ticked) {
  g.Fill(3, 3, 13, 13, kPaper);
  g.Frame(3, 3, 13, 13, kInk);
  if (ticked) {
    g.Line(5, 8, 7, 10, kInk, 2);
    g.Line(7, 10, 11, 5, kInk, 2);
  }
}

void NumberedList(GlyphPainter& g, bool ticked) {
  Page(g);
  for (int i = 0; i < 4; ++i) {
    int y = 4 + i * 3;
    g.Fill(4, y, 6, y + 2, kBlue);
    g.Line(7, y + 1, 12, y + 1, kInk);
  }
  if (ticked) {
    g.Line(8, 12, 10, 14, kGreen, 2);
    g.Line(10, 14, 15, 8, kGreen, 2);
  }
}

void Clipboard(GlyphPainter& g, bool lineEnd) {
  g.Fill(2, 2, 13, 15, kBrown);
  g.Fill(4, 4, 11, 13, kPaper);
  g.Fill(5, 1, 10, 4, kGrey);
  g.Line(5, 7, 10, 7, kInk);
  g.Line(5, 9, 10, 9, kInk);
  if (lineEnd) {
    g.Line(14, 6, 14, 12, kBlue, 2);
    g.Line(14, 12, 9, 12, kBlue, 2);
    POINT p[3] = {{9, 9}, {6, 12}, {9, 15}};
    g.Poly(p, 3, kBlue, kBlue);
  }
}

void Panel(GlyphPainter& g, bool shown) {
  g.Fill(1, 2, 15, 14, kPaper);
  g.Frame(1, 2, 15, 14, kInk);
  g.Fill(1, 2, 15, 4, kBlue);
  if (shown) {
    g.Fill(9, 4, 15, 14, kLight);
    g.Line(9, 4, 9, 14, kInk);
  }
  for (int y = 6; y < 13; y += 2) g.Line(3, y, shown ? 8 : 13, y, kGrey);
}

void Neutral(GlyphPainter& g) {
  POINT p[4] = {{8, 3}, {13, 8}, {8, 13}, {3, 8}};
  g.Poly(p, 4, kLight, kGrey);
}

void DrawGlyph(GlyphPainter& g, int index) {
  switch (index) {
    case imgFind:
      g.Oval(2, 2, 11, 11, kPaper, kInk);
      g.Line(9, 9, 14, 14, kInk, 3);
      break;
    case imgMenuUnticked:
      TickBox(g, false);
      break;
    case imgMenuTicked:
      TickBox(g, true);
      break;
    case imgHelp:
      g.Oval(1, 1, 15, 15, kBlue, kBlue);
      g.Line(6, 5, 8, 4, kPaper, 2);
      g.Line(8, 4, 10, 6, kPaper, 2);
      g.Line(10, 6, 8, 9, kPaper, 2);
      g.Fill(7, 11, 9, 13, kPaper);
      break;
    case imgOptions:
      for (int k = 0; k < 4; ++k) {
        static const int dx[4] = {0, 5, 0, -5}, dy[4] = {-5, 0, 5, 0};
        g.Fill(7 + dx[k], 7 + dy[k], 9 + dx[k], 9 + dy[k], kGrey);
      }
      g.Oval(3, 3, 13, 13, kGrey, kInk);
      g.Oval(6, 6, 10, 10, kPaper, kInk);
      break;
    case imgBookmark: {
      g.Line(3, 1, 3, 15, kInk, 2);
      POINT p[5] = {{4, 2}, {13, 2}, {10, 5}, {13, 8}, {4, 8}};
      g.Poly(p, 5, kRed, kRed);
      break;
    }
    case imgConvert: {
      g.Oval(2, 2, 14, 14, CLR_NONE, kGreen);
      POINT a[3] = {{11, 1}, {15, 4}, {11, 6}};
      POINT b[3] = {{5, 10}, {1, 12}, {5, 15}};
      g.Poly(a, 3, kGreen, kGreen);
      g.Poly(b, 3, kGreen, kGreen);
      break;
    }
    case imgPanelHidden:
      Panel(g, false);
      break;
    case imgPanelShown:
      Panel(g, true);
      break;
    case imgTitle: {
      POINT p[4] = {{3, 10}, {11, 2}, {14, 5}, {6, 13}};
      g.Poly(p, 4, kYellow, kInk);
      POINT tip[3] = {{3, 10}, {6, 13}, {2, 14}};
      g.Poly(tip, 3, kInk, kInk);
      break;
    }
    case imgPaste:
      Clipboard(g, false);
      break;
    case imgPasteLineEnd:
      Clipboard(g, true);
      break;
    case imgFileMissing:
      Page(g);
      g.Fill(10, 1, 13, 4, kLight);
      break;
    case imgLineNumbersOff:
      NumberedList(g, false);
      break;
    case imgLineNumbersOn:
      NumberedList(g, true);
      break;
    case imgStepBack:
      Arrow(g, false, kBlue);
      break;
    case imgStepBackLatched:
      Arrow(g, false, kRed);
      break;
    case imgStepForward:
      Arrow(g, true, kBlue);
      break;
    case imgStepForwardLatched:
      Arrow(g, true, kRed);
      break;
    case imgLineList:
      Page(g);
      for (int i = 0; i < 4; ++i) {
        int y = 4 + i * 3;
        g.Line(5, y, 6, y, kRed);
        g.Line(8, y, 12, y, kInk);
      }
      break;
    case imgJump:
      Page(g);
      g.Line(5, 4, 5, 10, kBlue, 2);
      g.Line(5, 10, 10, 10, kBlue, 2);
      {
        POINT p[3] = {{9, 7}, {13, 10}, {9, 13}};
        g.Poly(p, 3, kBlue, kBlue);
      }
      break;
    case imgStop: {
      POINT p[8] = {{5, 1}, {11, 1}, {15, 5}, {15, 11}, {11, 15}, {5, 15}, {1, 11}, {1, 5}};
      g.Poly(p, 8, kRed, kRed);
      g.Fill(4, 7, 12, 9, kPaper);
      break;
    }
    default:
      Neutral(g);
      break;
  }
}
}  // namespace

void MakeProgramImages(TImageList& list) {
  list.Clear();
  TBitmap bmp(list.Width(), list.Height());
  for (int i = 0; i < kProgramImageCount; ++i) {
    bmp.Canvas().BrushColor = kMask;
    bmp.Canvas().BrushStyle = bsSolid;
    bmp.Canvas().FillRect(RECT{0, 0, list.Width(), list.Height()});
    GlyphPainter g{bmp.Canvas().Handle()};
    DrawGlyph(g, i);
    GdiFlush();
    list.AddMasked(bmp, kMask);
  }
}

// ---- TListColumn, TListItem

void TListColumn::SetCaption(const std::string& c) {
  caption_ = c;
  Apply();
}

int TListColumn::Width() {
  if (owner_ && owner_->HandleAllocated()) {
    width_ = static_cast<int>(SendMessageW(owner_->Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index_), 0));
  }
  return width_;
}

void TListColumn::SetWidth(int w) {
  width_ = std::max(w, minWidth_);
  Apply();
  if (owner_ && !autoSize_) owner_->FitAutoSizeColumns();
}

void TListColumn::SetAutoSize(bool v) {
  autoSize_ = v;
  if (owner_) owner_->FitAutoSizeColumns();
}

void TListColumn::SetMinWidth(int w) {
  minWidth_ = w < 0 ? 0 : w;
  if (width_ < minWidth_) SetWidth(minWidth_);
}

void TListColumn::SetAlignment(TAlignment a) {
  alignment_ = a;
  Apply();
}

namespace {
int ColumnFormat(TAlignment a) { return a == taCenter ? LVCFMT_CENTER : a == taRightJustify ? LVCFMT_RIGHT : LVCFMT_LEFT; }
}  // namespace

void TListColumn::Apply() {
  if (!owner_ || !owner_->HandleAllocated()) return;
  std::wstring text = Cp932ToWide(caption_);
  LVCOLUMNW c = {};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  c.fmt = index_ == 0 ? LVCFMT_LEFT : ColumnFormat(alignment_);
  c.cx = width_;
  c.pszText = &text[0];
  SendMessageW(owner_->Handle(), LVM_SETCOLUMNW, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&c));
}

void TListItem::SetCaption(const std::string& c) {
  caption_ = c;
  if (owner_ && owner_->HandleAllocated()) {
    std::wstring w = Cp932ToWide(c);
    LVITEMW it = {};
    it.iSubItem = 0;
    it.pszText = &w[0];
    SendMessageW(owner_->Handle(), LVM_SETITEMTEXTW, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&it));
  }
}

std::string TListItem::SubItem(int i) const {
  return i >= 0 && i < SubItemCount() ? subItems_[static_cast<size_t>(i)] : std::string();
}

void TListItem::SetSubItem(int i, const std::string& text) {
  if (i < 0) return;
  if (i >= SubItemCount()) subItems_.resize(static_cast<size_t>(i) + 1);
  subItems_[static_cast<size_t>(i)] = text;
  if (owner_ && owner_->HandleAllocated()) {
    std::wstring w = Cp932ToWide(text);
    LVITEMW it = {};
    it.iSubItem = i + 1;
    it.pszText = &w[0];
    SendMessageW(owner_->Handle(), LVM_SETITEMTEXTW, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&it));
  }
}

namespace {
bool ItemState(TListView* lv, int index, UINT mask) {
  return lv && lv->HandleAllocated() &&
         (SendMessageW(lv->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask) & mask) != 0;
}
void SetItemState(TListView* lv, int index, UINT mask, bool on) {
  if (!lv || !lv->Handle()) return;
  LVITEMW it = {};
  it.stateMask = mask;
  it.state = on ? mask : 0;
  SendMessageW(lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&it));
}
}  // namespace

bool TListItem::Selected() { return ItemState(owner_, index_, LVIS_SELECTED); }
void TListItem::SetSelected(bool v) { SetItemState(owner_, index_, LVIS_SELECTED, v); }
bool TListItem::Focused() { return ItemState(owner_, index_, LVIS_FOCUSED); }
void TListItem::SetFocused(bool v) { SetItemState(owner_, index_, LVIS_FOCUSED, v); }

RECT TListItem::DisplayRect() {
  RECT r = {LVIR_BOUNDS, 0, 0, 0};
  if (owner_ && owner_->Handle()) {
    if (!SendMessageW(owner_->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&r))) {
      r = RECT{0, 0, 0, 0};
    }
  }
  return r;
}

// ---- TListView

TListView::TListView(TWinControl* parent) : TWinControl(parent) {
  InitCommonControlsOnce();
  width_ = 250;
  height_ = 150;
  TabStop = true;
  color_ = clWindow;
}

TListView::~TListView() {
  if (hwnd_) DestroyWnd();
  for (TListItem* i : items_) delete i;
  for (TListColumn* c : columns_) delete c;
}

void TListView::CreateParams(TCreateParams& p) {
  p.ClassName = WC_LISTVIEWW;
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER;
  if (!multiSelect_) p.Style |= LVS_SINGLESEL;
  if (!hideSelection_) p.Style |= LVS_SHOWSELALWAYS;
  if (!showHeaders_) p.Style |= LVS_NOCOLUMNHEADER;
  if (!ReadOnly) p.Style |= LVS_EDITLABELS;
  p.ExStyle = BorderNone ? 0 : WS_EX_CLIENTEDGE;
}

void TListView::ApplyExStyle() {
  if (!hwnd_) return;
  DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER;
  DWORD v = (rowSelect_ ? LVS_EX_FULLROWSELECT : 0) | (gridLines_ ? LVS_EX_GRIDLINES : 0) |
            (DoubleBuffered ? LVS_EX_DOUBLEBUFFER : 0);
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, v);
}

void TListView::AfterCreate() {
  ApplyExStyle();
  ListView_SetBkColor(hwnd_, ColorToRGB(color_));
  ListView_SetTextBkColor(hwnd_, ColorToRGB(color_));
  ListView_SetTextColor(hwnd_, ColorToRGB(font_.Color()));
  for (TListColumn* c : columns_) InsertColumnWnd(c);
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, items_.size(), 0);
  for (int i = 0; i < Count(); ++i) InsertItemWnd(i);
  FitAutoSizeColumns();
}

void TListView::InsertColumnWnd(TListColumn* col) {
  std::wstring text = Cp932ToWide(col->caption_);
  LVCOLUMNW c = {};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  c.fmt = col->index_ == 0 ? LVCFMT_LEFT : ColumnFormat(col->alignment_);
  c.cx = col->width_;
  c.pszText = &text[0];
  c.iSubItem = col->index_;
  SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(col->index_), reinterpret_cast<LPARAM>(&c));
}

void TListView::InsertItemWnd(int index) {
  TListItem* item = items_[static_cast<size_t>(index)];
  std::wstring caption = Cp932ToWide(item->caption_);
  LVITEMW it = {};
  it.mask = LVIF_TEXT | LVIF_PARAM;
  it.iItem = index;
  it.pszText = &caption[0];
  it.lParam = reinterpret_cast<LPARAM>(item);
  SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
  for (int s = 0; s < item->SubItemCount(); ++s) {
    std::wstring w = Cp932ToWide(item->subItems_[static_cast<size_t>(s)]);
    LVITEMW sub = {};
    sub.iSubItem = s + 1;
    sub.pszText = &w[0];
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
  }
}

TListColumn* TListView::AddColumn() {
  auto* c = new TListColumn();
  c->owner_ = this;
  c->index_ = ColumnCount();
  columns_.push_back(c);
  if (hwnd_) InsertColumnWnd(c);
  FitAutoSizeColumns();
  return c;
}

void TListView::FitAutoSizeColumns() {
  if (!hwnd_ || fitting_) return;
  int autoCount = 0, fixed = 0;
  for (TListColumn* c : columns_) {
    if (c->autoSize_) {
      ++autoCount;
    } else {
      fixed += c->width_;
    }
  }
  if (autoCount == 0) return;
  fitting_ = true;
  RECT r;
  GetClientRect(hwnd_, &r);
  int share = (r.right - r.left - fixed) / autoCount;
  for (TListColumn* c : columns_) {
    if (!c->autoSize_) continue;
    int w = std::max(share, c->minWidth_);
    if (w != c->width_) {
      c->width_ = w;
      c->Apply();
    }
  }
  fitting_ = false;
}

void TListView::ClearColumns() {
  if (hwnd_) {
    for (int i = ColumnCount() - 1; i >= 0; --i) SendMessageW(hwnd_, LVM_DELETECOLUMN, static_cast<WPARAM>(i), 0);
  }
  for (TListColumn* c : columns_) delete c;
  columns_.clear();
}

void TListView::Renumber(int from) {
  for (int i = from; i < Count(); ++i) items_[static_cast<size_t>(i)]->index_ = i;
}

TListItem* TListView::AddItem() { return InsertItem(Count()); }

TListItem* TListView::InsertItem(int index) {
  if (index < 0) index = 0;
  if (index > Count()) index = Count();
  auto* item = new TListItem();
  item->owner_ = this;
  items_.insert(items_.begin() + index, item);
  Renumber(index);
  if (hwnd_) InsertItemWnd(index);
  return item;
}

void TListView::DeleteItem(int index) {
  if (index < 0 || index >= Count()) return;
  if (hwnd_) SendMessageW(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
  delete items_[static_cast<size_t>(index)];
  items_.erase(items_.begin() + index);
  Renumber(index);
}

void TListView::Clear() {
  if (hwnd_) SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  for (TListItem* i : items_) delete i;
  items_.clear();
}

void TListView::BeginUpdate() {
  if (updateCount_++ == 0 && hwnd_) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void TListView::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && hwnd_) {
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

int TListView::ItemIndex() {
  if (!hwnd_) return -1;
  return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

TListItem* TListView::Selected() {
  int i = ItemIndex();
  return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : nullptr;
}

void TListView::SetItemIndex(int i) {
  if (!Handle()) return;
  ClearSelection();
  if (i >= 0 && i < Count()) SetItemState(this, i, LVIS_SELECTED | LVIS_FOCUSED, true);
}

int TListView::SelCount() { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0)) : 0; }

std::vector<int> TListView::SelectedIndexes() {
  std::vector<int> out;
  if (!hwnd_) return out;
  int i = -1;
  while ((i = static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0) {
    out.push_back(i);
  }
  return out;
}

void TListView::ClearSelection() {
  if (hwnd_) SetItemState(this, -1, LVIS_SELECTED, false);
}

TListItem* TListView::ItemFocused() {
  if (!hwnd_) return nullptr;
  int i = static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : nullptr;
}

TListItem* TListView::TopItem() {
  if (!hwnd_ || Count() == 0) return nullptr;
  int i = static_cast<int>(SendMessageW(hwnd_, LVM_GETTOPINDEX, 0, 0));
  return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : nullptr;
}

int TListView::VisibleRowCount() { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LVM_GETCOUNTPERPAGE, 0, 0)) : 0; }

void TListView::Scroll(int dx, int dy) {
  if (hwnd_) SendMessageW(hwnd_, LVM_SCROLL, static_cast<WPARAM>(dx), dy);
}

TListItem* TListView::GetItemAt(int x, int y) {
  if (!hwnd_) return nullptr;
  LVHITTESTINFO ht = {};
  ht.pt = POINT{x, y};
  int i = static_cast<int>(SendMessageW(hwnd_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)));
  if (!(ht.flags & LVHT_ONITEM)) i = -1;
  if (i < 0) {
    // Beyond the first column without row select: look at the rows' bounds.
    int top = static_cast<int>(SendMessageW(hwnd_, LVM_GETTOPINDEX, 0, 0));
    int last = std::min(Count(), top + VisibleRowCount() + 1);
    for (int k = std::max(top, 0); k < last; ++k) {
      RECT r = {LVIR_BOUNDS, 0, 0, 0};
      SendMessageW(hwnd_, LVM_GETITEMRECT, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(&r));
      if (y >= r.top && y < r.bottom && x >= r.left && x < r.right) {
        i = k;
        break;
      }
    }
  }
  return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : nullptr;
}

RECT TListView::SubItemRect(int item, int subItem) {
  RECT r = {LVIR_LABEL, subItem, 0, 0};
  if (!Handle() || !SendMessageW(hwnd_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r))) {
    r = RECT{0, 0, 0, 0};
  }
  return r;
}

void TListView::UpdateItems(int first, int last) {
  if (!hwnd_) return;
  SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
  UpdateWindow(hwnd_);
}

namespace {
void ToggleStyle(HWND h, DWORD bit, bool on) {
  if (!h) return;
  LONG s = GetWindowLongW(h, GWL_STYLE);
  LONG n = on ? (s | static_cast<LONG>(bit)) : (s & ~static_cast<LONG>(bit));
  if (n != s) {
    SetWindowLongW(h, GWL_STYLE, n);
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    InvalidateRect(h, nullptr, TRUE);
  }
}
}  // namespace

void TListView::SetRowSelect(bool v) {
  rowSelect_ = v;
  ApplyExStyle();
}
void TListView::SetGridLines(bool v) {
  gridLines_ = v;
  ApplyExStyle();
}
void TListView::SetDoubleBuffered(bool v) {
  DoubleBuffered = v;
  ApplyExStyle();
}
void TListView::SetMultiSelect(bool v) {
  multiSelect_ = v;
  ToggleStyle(hwnd_, LVS_SINGLESEL, !v);
}
void TListView::SetShowColumnHeaders(bool v) {
  showHeaders_ = v;
  ToggleStyle(hwnd_, LVS_NOCOLUMNHEADER, !v);
}
void TListView::SetHideSelection(bool v) {
  hideSelection_ = v;
  ToggleStyle(hwnd_, LVS_SHOWSELALWAYS, !v);
}

LRESULT TListView::CustomDraw(NMLVCUSTOMDRAW* cd) {
  DWORD stage = cd->nmcd.dwDrawStage;
  bool itemHandlers = OnCustomDrawItem || OnAdvancedCustomDrawItem;
  if (stage == CDDS_PREPAINT) {
    return itemHandlers || OnCustomDrawSubItem ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
  }
  bool isItem = stage == CDDS_ITEMPREPAINT;
  bool isSub = stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM);
  if (!isItem && !isSub) return CDRF_DODEFAULT;
  int index = static_cast<int>(cd->nmcd.dwItemSpec);
  if (index < 0 || index >= Count()) return CDRF_DODEFAULT;
  TListItem* item = items_[static_cast<size_t>(index)];
  TCustomDrawState state = 0;
  UINT s = cd->nmcd.uItemState;
  if (s & CDIS_SELECTED) state |= cdsSelected;
  if (s & CDIS_GRAYED) state |= cdsGrayed;
  if (s & CDIS_DISABLED) state |= cdsDisabled;
  if (s & CDIS_CHECKED) state |= cdsChecked;
  if (s & CDIS_FOCUS) state |= cdsFocused;
  if (s & CDIS_HOT) state |= cdsHot;
  canvas_.Attach(cd->nmcd.hdc);
  TakeFont(canvas_, font_);
  canvas_.BrushStyle = bsSolid;
  canvas_.BrushColor = color_;
  bool defaultDraw = true;
  if (isItem) {
    if (OnCustomDrawItem) OnCustomDrawItem(this, item, state, defaultDraw);
    if (defaultDraw && OnAdvancedCustomDrawItem) OnAdvancedCustomDrawItem(this, item, state, cdPrePaint, defaultDraw);
  } else if (OnCustomDrawSubItem) {
    OnCustomDrawSubItem(this, item, cd->iSubItem, state, defaultDraw);
  }
  TColor text = canvas_.Font.Color(), back = canvas_.BrushColor;
  canvas_.Detach();
  if (!defaultDraw) return CDRF_SKIPDEFAULT;
  cd->clrText = ColorToRGB(text);
  cd->clrTextBk = ColorToRGB(back);
  LRESULT r = CDRF_DODEFAULT;
  if (!SameFont(canvas_.Font, font_)) {
    // The handler chose another font for the window's own drawing.
    SelectObject(cd->nmcd.hdc, canvas_.Font.Handle());
    r = CDRF_NEWFONT;
  }
  if (isItem && OnCustomDrawSubItem) r |= CDRF_NOTIFYSUBITEMDRAW;
  return r;
}

LRESULT TListView::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case CN_BASE + WM_NOTIFY: {
      auto* h = reinterpret_cast<NMHDR*>(lp);
      switch (h->code) {
        case NM_CUSTOMDRAW:
          return CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
        case NM_CLICK:
          Click();
          return 0;
        case NM_DBLCLK:
          DblClick();
          return 0;
        case LVN_ITEMCHANGED: {
          auto* nm = reinterpret_cast<NMLISTVIEW*>(lp);
          if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) && OnSelectItem &&
              nm->iItem >= 0 && nm->iItem < Count()) {
            OnSelectItem(this, items_[static_cast<size_t>(nm->iItem)], (nm->uNewState & LVIS_SELECTED) != 0);
          }
          return 0;
        }
        default:
          return 0;
      }
    }
    case WM_NOTIFY: {
      // The header's notifications come to the list view itself.
      auto* h = reinterpret_cast<NMHDR*>(lp);
      HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
      if (h->hwndFrom == header && h->code == NM_RCLICK && OnColumnRightClick) {
        HDHITTESTINFO ht = {};
        GetCursorPos(&ht.pt);
        ScreenToClient(header, &ht.pt);
        int col = static_cast<int>(SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)));
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(hwnd_, &pt);
        OnColumnRightClick(this, col >= 0 && col < ColumnCount() ? columns_[static_cast<size_t>(col)] : nullptr, pt);
        return 1;
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      // The window's click tracking may take the release message itself.
      TMouseButton b = msg == WM_LBUTTONDOWN ? mbLeft : mbRight;
      sawButtonUp_ = false;
      MouseDown(b, MouseShiftState(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      if (!hwnd_) return 0;
      LRESULT r = DefaultHandler(msg, wp, lp);
      int vk = b == mbLeft ? VK_LBUTTON : VK_RBUTTON;
      UINT upMsg = b == mbLeft ? WM_LBUTTONUP : WM_RBUTTONUP;
      MSG pending;
      if (hwnd_ && !sawButtonUp_ && GetKeyState(vk) >= 0 && !PeekMessageW(&pending, hwnd_, upMsg, upMsg, PM_NOREMOVE)) {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(hwnd_, &pt);
        MouseUp(b, KeyShiftState(), pt.x, pt.y);
      }
      sawButtonUp_ = true;
      return r;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      sawButtonUp_ = true;
      break;
    case WM_SIZE: {
      LRESULT r = TWinControl::WndProc(msg, wp, lp);
      FitAutoSizeColumns();
      return r;
    }
    default:
      break;
  }
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TUpDown

namespace {
int Clamp(int v, int a, int b) {
  int lo = std::min(a, b), hi = std::max(a, b);
  return v < lo ? lo : v > hi ? hi : v;
}
}  // namespace


TUpDown::TUpDown(TWinControl* parent) : TWinControl(parent) {
  InitCommonControlsOnce();
  width_ = 17;
  height_ = 21;
}

TUpDown::~TUpDown() {
  if (hwnd_) DestroyWnd();
}

void TUpDown::CreateParams(TCreateParams& p) {
  p.ClassName = UPDOWN_CLASSW;
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (!Thousands) p.Style |= UDS_NOTHOUSANDS;
  if (Wrap) p.Style |= UDS_WRAP;
  if (ArrowKeys) p.Style |= UDS_ARROWKEYS;
  if (Orientation == udHorizontal) p.Style |= UDS_HORZ;
}

void TUpDown::AfterCreate() {
  ApplyRange();
  UDACCEL accel = {0, static_cast<UINT>(increment_)};
  SendMessageW(hwnd_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  SendMessageW(hwnd_, UDM_SETPOS32, 0, position_);
  ApplyBuddy();
}

void TUpDown::ApplyRange() {
  if (hwnd_) SendMessageW(hwnd_, UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TUpDown::ApplyBuddy() {
  if (!hwnd_) return;
  HWND b = associate_ ? associate_->Handle() : nullptr;
  SendMessageW(hwnd_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(b), 0);
  attachedBuddy_ = b;
  ShowInBuddy();
}

void TUpDown::ShowInBuddy() {
  if (!associate_) return;
  std::wstring digits = std::to_wstring(position_ < 0 ? -static_cast<long long>(position_) : position_);
  if (Thousands) {
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), L",");
  }
  associate_->SetTextW(position_ < 0 ? L"-" + digits : digits);
}

void TUpDown::ReadBuddy() {
  // A number typed into the buddy is the position (clamped); other text is ignored.
  if (!associate_) return;
  std::wstring t = associate_->TextW();
  std::wstring digits;
  for (wchar_t c : t) {
    if (c != L',') digits += c;
  }
  if (digits.empty()) return;
  wchar_t* end = nullptr;
  long v = wcstol(digits.c_str(), &end, 10);
  if (end && *end == 0) position_ = Clamp(static_cast<int>(v), min_, max_);
}

void TUpDown::CheckBuddy() {
  if (hwnd_ && associate_ && associate_->HandleAllocated() && associate_->Handle() != attachedBuddy_) ApplyBuddy();
}

void TUpDown::BuddyRecreated() {
  if (hwnd_) ApplyBuddy();
}

void TUpDown::SetMin(int v) {
  min_ = v;
  ApplyRange();
  SetPosition(position_);
}

void TUpDown::SetMax(int v) {
  max_ = v;
  ApplyRange();
  SetPosition(position_);
}

int TUpDown::Position() {
  CheckBuddy();
  if (associate_) {
    ReadBuddy();
  } else if (hwnd_) {
    position_ = Clamp(static_cast<int>(SendMessageW(hwnd_, UDM_GETPOS32, 0, 0)), min_, max_);
  }
  return position_;
}

void TUpDown::SetPosition(int v) {
  CheckBuddy();
  position_ = Clamp(v, min_, max_);
  if (hwnd_) SendMessageW(hwnd_, UDM_SETPOS32, 0, position_);
  ShowInBuddy();
}

void TUpDown::SetIncrement(int v) {
  increment_ = v < 1 ? 1 : v;
  if (hwnd_) {
    UDACCEL accel = {0, static_cast<UINT>(increment_)};
    SendMessageW(hwnd_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  }
}

void TUpDown::SetAssociate(TWinControl* c) {
  associate_ = c;
  ApplyBuddy();
}

LRESULT TUpDown::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  CheckBuddy();
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
      // A step starts from what the buddy shows now (the user may have typed).
      if (associate_) {
        ReadBuddy();
        SendMessageW(hwnd_, UDM_SETPOS32, 0, position_);
      }
      break;
    case CN_BASE + WM_NOTIFY: {
      auto* h = reinterpret_cast<NMHDR*>(lp);
      if (h->code == UDN_DELTAPOS) {
        auto* nm = reinterpret_cast<NMUPDOWN*>(lp);
        bool allow = true;
        if (OnChanging) OnChanging(this, allow);
        if (!allow) return TRUE;
        // The range is set as min..max, so the up (right) arrow counts up.
        pendingButton_ = nm->iDelta > 0 ? btNext : btPrev;
        return FALSE;
      }
      return 0;
    }
    case CN_BASE + WM_VSCROLL:
    case CN_BASE + WM_HSCROLL:
      if (LOWORD(wp) == SB_THUMBPOSITION) {
        int p = static_cast<int>(SendMessageW(hwnd_, UDM_GETPOS32, 0, 0));
        bool moved = Clamp(p, min_, max_) != position_;
        position_ = Clamp(p, min_, max_);
        if (moved) {
          ShowInBuddy();
          if (OnClick) OnClick(this, pendingButton_);
        }
      }
      return 0;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TStatusBar, TStatusPanel

std::string TStatusPanel::Text() const { return WideToCp932(text_); }
void TStatusPanel::SetText(const std::string& t) { SetTextW(Cp932ToWide(t)); }

void TStatusPanel::SetTextW(const std::wstring& t) {
  if (t == text_) return;
  text_ = t;
  if (owner_) owner_->ApplyText(index_);
}

void TStatusPanel::SetWidth(int w) {
  width_ = w < 0 ? 0 : w;
  if (owner_) owner_->ApplyParts();
}

void TStatusPanel::SetAlignment(TAlignment a) {
  alignment_ = a;
  if (owner_) owner_->ApplyText(index_);
}

TStatusBar::TStatusBar(TWinControl* parent) : TWinControl(parent) {
  InitCommonControlsOnce();
  width_ = 300;
  height_ = 19;
  align_ = alBottom;
  if (parent_) parent_->Realign();
}

TStatusBar::~TStatusBar() {
  if (hwnd_) DestroyWnd();
  for (TStatusPanel* p : panels_) delete p;
}

void TStatusBar::CreateParams(TCreateParams& p) {
  p.ClassName = STATUSCLASSNAMEW;
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  if (SizeGrip) p.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::AfterCreate() {
  ApplyParts();
  for (int i = 0; i < PanelCount(); ++i) ApplyText(i);
  SendMessageW(hwnd_, SB_SIMPLE, simplePanel_, 0);
  if (simplePanel_) ApplyText(-1);
}

TStatusPanel* TStatusBar::AddPanel() {
  auto* p = new TStatusPanel();
  p->owner_ = this;
  p->index_ = PanelCount();
  panels_.push_back(p);
  ApplyParts();
  return p;
}

void TStatusBar::ClearPanels() {
  for (TStatusPanel* p : panels_) delete p;
  panels_.clear();
  ApplyParts();
}

void TStatusBar::ApplyParts() {
  if (!hwnd_) return;
  std::vector<int> edges;
  int x = 0;
  for (size_t i = 0; i < panels_.size(); ++i) {
    x += panels_[i]->width_;
    edges.push_back(i + 1 == panels_.size() ? -1 : x);
  }
  if (edges.empty()) edges.push_back(-1);
  SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < PanelCount(); ++i) ApplyText(i);
}

void TStatusBar::ApplyText(int i) {
  if (!hwnd_) return;
  if (i < 0) {
    SendMessageW(hwnd_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
    return;
  }
  if (i >= PanelCount()) return;
  // The control paints its whole bar on each text it is given (some versions
  // before they return), which costs many times what drawing the one part
  // does. While the bar shows its panels it is drawn here, so the control is
  // given the text only when it is asked for it.
  TStatusPanel* p = panels_[static_cast<size_t>(i)];
  RECT part;
  if (!simplePanel_ && IsWindowVisible(hwnd_) &&
      SendMessageW(hwnd_, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&part))) {
    p->controlBehind_ = true;
    HDC dc = GetDC(hwnd_);
    PaintPanels(dc, part);
    ReleaseDC(hwnd_, dc);
    ValidateRect(hwnd_, &part);
    return;
  }
  p->controlBehind_ = false;
  SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(ShownText(i).c_str()));
}

// The control is given the panel texts it has not been given yet.
void TStatusBar::GiveTexts() {
  for (int i = 0; i < PanelCount(); ++i) {
    TStatusPanel* p = panels_[static_cast<size_t>(i)];
    if (!p->controlBehind_) continue;
    p->controlBehind_ = false;
    SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(ShownText(i).c_str()));
  }
}

std::wstring TStatusBar::ShownText(int i) const {
  const TStatusPanel* p = panels_[static_cast<size_t>(i)];
  // A tab before the text centres it, two tabs align it right.
  return (p->alignment_ == taCenter ? L"\t" : p->alignment_ == taRightJustify ? L"\t\t" : L"") + p->text_;
}

// The bar drawn as a status window is drawn without visual styles: each
// panel sunken with its text, the face colour between and beside them, the
// size grip in the corner; only what lies in `clip`.
void TStatusBar::PaintPanels(HDC dc, const RECT& clip) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  FillRect(dc, &clip, GetSysColorBrush(COLOR_3DFACE));
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
  for (int i = 0; i < PanelCount(); ++i) {
    RECT r, both;
    if (!SendMessageW(hwnd_, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
    if (!IntersectRect(&both, &r, &clip)) continue;
    DrawStatusTextW(dc, &r, ShownText(i).c_str(), 0);
  }
  if ((GetWindowLongW(hwnd_, GWL_STYLE) & SBARS_SIZEGRIP) && !IsZoomed(GetAncestor(hwnd_, GA_ROOT))) {
    RECT grip = client;
    grip.left = grip.right - GetSystemMetrics(SM_CXVSCROLL);
    grip.top = grip.bottom - GetSystemMetrics(SM_CYHSCROLL);
    RECT both;
    if (IntersectRect(&both, &grip, &clip)) DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  }
  RestoreDC(dc, saved);
}

void TStatusBar::SetSimplePanel(bool v) {
  simplePanel_ = v;
  if (!hwnd_) return;
  SendMessageW(hwnd_, SB_SIMPLE, v, 0);
  if (v) {
    ApplyText(-1);
  } else {
    for (int i = 0; i < PanelCount(); ++i) ApplyText(i);
  }
}

std::string TStatusBar::SimpleText() const { return WideToCp932(simpleText_); }

void TStatusBar::SetSimpleText(const std::string& t) {
  simpleText_ = Cp932ToWide(t);
  if (simplePanel_) ApplyText(-1);
}

std::wstring TStatusBar::WindowPanelText(int i) {
  if (!Handle()) return std::wstring();
  WPARAM part = i < 0 ? SB_SIMPLEID : static_cast<WPARAM>(i);
  int n = LOWORD(SendMessageW(hwnd_, SB_GETTEXTLENGTHW, part, 0));
  if (i < 0 && n == 0 && simplePanel_) {
    // Some versions of the control answer the simple text only as part 0.
    part = 0;
    n = LOWORD(SendMessageW(hwnd_, SB_GETTEXTLENGTHW, part, 0));
  }
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  SendMessageW(hwnd_, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(&w[0]));
  w.resize(static_cast<size_t>(n));
  return w;
}

LRESULT TStatusBar::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (!hwnd_) return TWinControl::WndProc(msg, wp, lp);
  switch (msg) {
    case SB_GETTEXTW:
    case SB_GETTEXTA:
    case SB_GETTEXTLENGTHW:
    case SB_GETTEXTLENGTHA:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      GiveTexts();
      break;
    default:
      break;
  }
  if (!simplePanel_ && !panels_.empty()) {
    if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
      if (wp) {
        RECT client;
        GetClientRect(hwnd_, &client);
        PaintPanels(reinterpret_cast<HDC>(wp), client);
        return 0;
      }
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      PaintPanels(dc, ps.rcPaint);
      EndPaint(hwnd_, &ps);
      return 0;
    }
  }
  return TWinControl::WndProc(msg, wp, lp);
}
