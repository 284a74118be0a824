// The common controls: list view (report view), up-down, status bar, image list.
// The common control classes are registered (InitCommonControlsEx) before the
// first of these windows is made.
//
// Events fired by property writes of the program: none, except
//   TListView::OnSelectItem, which reports every change of an item's selection
//   (the program's SetItemIndex, SetSelected, ClearSelection included).
// User actions:
//   TListView: OnClick, OnDblClick, OnMouse*, OnColumnRightClick; custom draw
//   events whenever the window paints.
//   TUpDown: OnChanging (may refuse) then OnClick when the user presses a button.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>
#include "framework/Control.h"
#include "framework/StdCtrls.h"

// Registers the common control classes once.
void InitCommonControlsOnce();

// ---- Image list

// A list of 16 x 16 images (HIMAGELIST, 32-bit with mask). The program's own
// glyphs come from MakeProgramImages().
class TImageList {
 public:
  TImageList(int width = 16, int height = 16);
  ~TImageList();
  TImageList(const TImageList&) = delete;
  TImageList& operator=(const TImageList&) = delete;

  HIMAGELIST Handle() const { return list_; }
  int Count() const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Adds a bitmap of Width x Height; pixels of maskColour are transparent.
  int AddMasked(TBitmap& image, TColor maskColour);
  // Draws image index at (x, y); a disabled image is drawn greyed.
  void Draw(HDC dc, int x, int y, int index, bool enabled = true) const;
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const {
    Draw(canvas.Handle(), x, y, index, enabled);
  }
  // A new icon of the image (the caller destroys it).
  HICON GetIcon(int index) const;
  void Clear();

 private:
  HIMAGELIST list_ = nullptr;
  int width_, height_;
};

// Image indexes of the program's glyphs (0 .. kProgramImageCount - 1).
enum TProgramImage {
  imgFind = 1,             // magnifier
  imgMenuUnticked = 7,     // empty tick box
  imgMenuTicked = 8,       // ticked box
  imgHelp = 9,             // question mark
  imgOptions = 11,         // gear
  imgBookmark = 13,        // bookmark flag
  imgConvert = 31,         // two arrows in a circle
  imgPanelHidden = 32,     // list panel, closed
  imgPanelShown = 33,      // list panel, open
  imgTitle = 35,           // pencil
  imgPaste = 38,           // clipboard
  imgPasteLineEnd = 39,    // clipboard with a line end
  imgFileMissing = 40,     // blank page
  imgLineNumbersOff = 41,  // numbered list
  imgLineNumbersOn = 42,   // numbered list, ticked
  imgStepBack = 43,        // arrow left
  imgStepBackLatched = 44,
  imgStepForward = 45,     // arrow right
  imgStepForwardLatched = 46,
  imgLineList = 47,        // list with numbers
  imgJump = 48,            // arrow to a line
  imgStop = 49,            // stop sign
  kProgramImageCount = 50
};
// Fills the list with the program's glyphs, drawn with GDI; indexes without a
// glyph of their own get a neutral one.
void MakeProgramImages(TImageList& list);

// ---- List view

class TListView;

enum TViewStyle { vsReport };
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
enum : unsigned { cdsSelected = 1, cdsGrayed = 2, cdsDisabled = 4, cdsChecked = 8, cdsFocused = 16, cdsHot = 64 };
typedef unsigned TCustomDrawState;

class TListColumn {
 public:
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& c);
  int Width();
  void SetWidth(int w);
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int w);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  // Auto-sized columns share the width that the other columns leave in the
  // list view's client area (each at least MinWidth); they are sized again when
  // the list view's size or its columns change.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  int Index() const { return index_; }

 private:
  friend class TListView;
  TListView* owner_ = nullptr;
  int index_ = 0;
  std::string caption_;
  int width_ = 50, minWidth_ = 0;
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = false;
  void Apply();
};

class TListItem {
 public:
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& c);
  // Texts of the columns after the first; writing one updates the row.
  int SubItemCount() const { return static_cast<int>(subItems_.size()); }
  std::string SubItem(int i) const;
  void SetSubItem(int i, const std::string& text);  // adds missing ones
  void AddSubItem(const std::string& text) { SetSubItem(SubItemCount(), text); }
  void *Data = nullptr;  // the program's pointer, not owned
  int Index() const { return index_; }
  bool Selected();
  void SetSelected(bool v);
  bool Focused();
  void SetFocused(bool v);
  RECT DisplayRect();  // the whole row, list view client coordinates
  TListView* Owner() const { return owner_; }

 private:
  friend class TListView;
  TListView* owner_ = nullptr;
  int index_ = 0;
  std::string caption_;
  std::vector<std::string> subItems_;
};

typedef std::function<void(TListView* sender, TListItem* item, TCustomDrawState state, bool& defaultDraw)>
    TLVCustomDrawItemEvent;
typedef std::function<void(TListView* sender, TListItem* item, TCustomDrawState state, TCustomDrawStage stage,
                           bool& defaultDraw)>
    TLVAdvancedCustomDrawItemEvent;
typedef std::function<void(TListView* sender, TListItem* item, int subItem, TCustomDrawState state, bool& defaultDraw)>
    TLVCustomDrawSubItemEvent;

// A report-view list view. Items and columns are objects of the control, kept
// in step with the window (each write of a caption or sub-item updates it).
// Mouse: OnMouseDown fires at the press (before the window's own click
// tracking); OnMouseUp fires at the release even when the window's tracking
// took the release message itself. Custom draw:
// the handlers paint on Canvas() (attached to the row's DC); clearing
// defaultDraw skips the window's own drawing of the row or cell.
class TListView : public TWinControl {
 public:
  explicit TListView(TWinControl* parent);
  ~TListView() override;

  // Columns.
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  TListColumn* Column(int i) const { return columns_[static_cast<size_t>(i)]; }
  TListColumn* AddColumn();
  void ClearColumns();

  // Items.
  int Count() const { return static_cast<int>(items_.size()); }
  TListItem* Item(int i) const { return items_[static_cast<size_t>(i)]; }
  TListItem* AddItem();
  TListItem* InsertItem(int index);
  void DeleteItem(int index);
  void Clear();  // items only
  void BeginUpdate();
  void EndUpdate();

  // Selection.
  TListItem* Selected();  // the first selected item, or nullptr
  int ItemIndex();        // its index, or -1
  void SetItemIndex(int i);  // selects and focuses only that item (-1: none)
  int SelCount();
  std::vector<int> SelectedIndexes();
  void ClearSelection();
  TListItem* ItemFocused();

  // View.
  TListItem* TopItem();
  int VisibleRowCount();
  void Scroll(int dx, int dy);
  TListItem* GetItemAt(int x, int y);
  RECT SubItemRect(int item, int subItem);  // label part (LVIR_LABEL)
  void UpdateItems(int first, int last);

  TViewStyle ViewStyle = vsReport;
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v);
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool v);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool ReadOnly = true;
  bool ShowColumnHeaders() const { return showHeaders_; }
  void SetShowColumnHeaders(bool v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool BorderNone = false;  // no client edge
  // DoubleBuffered (of the base) switches on LVS_EX_DOUBLEBUFFER.
  void SetDoubleBuffered(bool v);

  TCanvas& Canvas() { return canvas_; }
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;
  TLVCustomDrawSubItemEvent OnCustomDrawSubItem;
  std::function<void(TListView* sender, TListColumn* column, POINT point)> OnColumnRightClick;
  std::function<void(TListView* sender, TListItem* item, bool selected)> OnSelectItem;

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  friend class TListColumn;
  friend class TListItem;
  void ApplyExStyle();
  void FitAutoSizeColumns();
  bool fitting_ = false;
  void InsertColumnWnd(TListColumn* c);
  void InsertItemWnd(int index);
  void Renumber(int from);
  LRESULT CustomDraw(NMLVCUSTOMDRAW* cd);
  std::vector<TListColumn*> columns_;
  std::vector<TListItem*> items_;
  bool rowSelect_ = false, gridLines_ = false, multiSelect_ = false, showHeaders_ = true, hideSelection_ = true;
  int updateCount_ = 0;
  bool sawButtonUp_ = false;
  TCanvas canvas_;
};

// ---- Up-down

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udVertical, udHorizontal };

// An up-down control. Position is kept within Min..Max (a write outside is
// clamped). Associate: a buddy control whose text shows the position (set by
// the up-down, so a TEdit buddy fires no OnChange); a number typed into the
// buddy is read back as the position, clamped. The buddy is re-attached when
// its window is made again. Place the up-down beside the buddy yourself. Program writes fire
// nothing; a press by the user fires OnChanging (which may refuse the step),
// then moves the position and fires OnClick with the button.
class TUpDown : public TWinControl {
 public:
  explicit TUpDown(TWinControl* parent);
  ~TUpDown() override;
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position();
  void SetPosition(int v);
  int Increment() const { return increment_; }
  void SetIncrement(int v);
  TWinControl* Associate() const { return associate_; }
  void SetAssociate(TWinControl* c);
  bool Thousands = false;
  bool Wrap = false;
  bool ArrowKeys = true;
  TUDOrientation Orientation = udVertical;

  std::function<void(TUpDown* sender, bool& allowChange)> OnChanging;
  std::function<void(TUpDown* sender, TUDBtnType button)> OnClick;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  // The buddy calls this after its window was made again.
  void BuddyRecreated();

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  void ApplyRange();
  void ApplyBuddy();
  void CheckBuddy();
  void ShowInBuddy();
  void ReadBuddy();
  int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
  TWinControl* associate_ = nullptr;
  HWND attachedBuddy_ = nullptr;
  TUDBtnType pendingButton_ = btNext;
};

// ---- Status bar

class TStatusBar;

class TStatusPanel {
 public:
  std::string Text() const;
  void SetText(const std::string& t);
  std::wstring TextW() const { return text_; }
  void SetTextW(const std::wstring& t);
  int Width() const { return width_; }
  void SetWidth(int w);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  int Index() const { return index_; }

 private:
  friend class TStatusBar;
  TStatusBar* owner_ = nullptr;
  int index_ = 0;
  std::wstring text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  // The status control itself has not been given text_ yet.
  bool controlBehind_ = false;
};

// A status bar with panels (the last panel takes the rest of the width), or one
// simple text when SimplePanel is on. Writes fire nothing.
class TStatusBar : public TWinControl {
 public:
  explicit TStatusBar(TWinControl* parent);
  ~TStatusBar() override;
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  TStatusPanel* Panel(int i) const { return panels_[static_cast<size_t>(i)]; }
  TStatusPanel* AddPanel();
  void ClearPanels();
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool v);
  std::string SimpleText() const;
  void SetSimpleText(const std::string& t);
  bool SizeGrip = true;
  // Text as the window shows it (for tests): panel i, or -1 for the simple text.
  std::wstring WindowPanelText(int i);
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  friend class TStatusPanel;
  void ApplyParts();
  void ApplyText(int i);
  std::wstring ShownText(int i) const;
  void PaintPanels(HDC dc, const RECT& clip);
  void GiveTexts();
  std::vector<TStatusPanel*> panels_;
  bool simplePanel_ = false;
  std::wstring simpleText_;
};
