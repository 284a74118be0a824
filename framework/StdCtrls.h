// The standard controls: panel, static text, label, check box, push button,
// single-line edit, memo, list box and combo box.
//
// Texts: code page 932 in std::string (Text()/SetText(), Caption()), UTF-16 in
// std::wstring (TextW()/SetTextW()). Every window is a Unicode window.
//
// Events fired by property writes of the program (everything not listed here
// fires nothing):
//   TCheckBox::SetChecked to a new value fires OnClick (as a user click does):
//   the program's handlers of check boxes are written to run on every change
//   of the box, also when code sets it (the CSV box unticked by the open
//   routine must restore the text view through its click handler).
//   TButton::Click() and TWinControl::Click() fire OnClick by design.
// Events fired by the user only:
//   TStaticText OnClick; TButton OnClick; TEdit/TMemo OnChange (SetText by the
//   program, and an up-down writing its buddy, fire nothing: code that wants
//   the handler after such a write calls it itself); TListBox OnClick and
//   OnDblClick; TComboBox OnChange, OnDropDown, OnCloseUp.
// Mouse events of native controls (check box, static text, edit, memo, list
// box) fire after the control's own handling of the button message, so that a
// handler sees the new state (the toggled check, the moved caret, the new
// selection). A window made lazily: a control's window exists once Handle()
// was asked for or its parent's window was made; writes before that are kept.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "framework/Control.h"
#include "framework/StringList.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBevelCut { bvNone, bvLowered, bvRaised };
enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TComboBoxStyle { csDropDown, csDropDownList };

// Owner-draw state of an item (from DRAWITEMSTRUCT.itemState).
enum : unsigned { odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16 };
typedef unsigned TOwnerDrawState;

// Whether two fonts make the same GDI font (colour aside).
bool SameFont(const TFont& a, const TFont& b);
// Gives a canvas the control's font without making a new GDI font when it
// already has an equal one; the colour is always taken.
void TakeFont(TCanvas& canvas, const TFont& font);

// A solid brush of a control's colour, made on need (WM_CTLCOLOR* answers).
class TControlBrush {
 public:
  TControlBrush() = default;
  ~TControlBrush();
  TControlBrush(const TControlBrush&) = delete;
  TControlBrush& operator=(const TControlBrush&) = delete;
  HBRUSH Get(TColor c);

 private:
  HBRUSH brush_ = nullptr;
  COLORREF rgb_ = 0;
};

// Answers a WM_CTLCOLOR* request (reflected as CN_BASE + message): text in the
// font's colour on the background colour, whose brush is returned.
LRESULT AnswerColour(HDC dc, TColor fontColour, TColor back, TControlBrush& brush);
bool IsColourRequest(UINT msg);

// A panel: an own window class that paints its colour, its bevels and its
// caption. Children are laid out inside the bevels and the border width.
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TWinControl* parent);
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& c) { SetText(c); }
  void SetTextW(const std::wstring& t) override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut b);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut b);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int w);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int w);

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
  void AdjustClientRect(RECT& r) override;

 private:
  void Changed();
  TAlignment alignment_ = taCenter;
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
};

// Static text with SS_NOTIFY: OnClick (and OnDblClick) when the user clicks it.
class TStaticText : public TWinControl {
 public:
  explicit TStaticText(TWinControl* parent);
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& c) { SetText(c); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TStaticBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TStaticBorderStyle b);
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  TAlignment alignment_ = taLeftJustify;
  TStaticBorderStyle borderStyle_ = sbsNone;
  bool notify_ = true;
  TControlBrush brush_;
};

// A simple label: static text without click notification.
class TLabel : public TStaticText {
 public:
  explicit TLabel(TWinControl* parent);
};

// An auto check box. OnClick fires when the user toggles it (mouse or space)
// and when the program sets Checked to a value other than the current one; a
// write of the same value fires nothing. OnMouseUp fires after the toggle.
class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TWinControl* parent);
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& c) { SetText(c); }
  bool Checked();
  void SetChecked(bool v);
  // Caption on the left of the box (taLeftJustify) or on its right (default).
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
  TControlBrush brush_;
};

// A push button. A click (user, Enter/Esc through Default/Cancel, or Click())
// runs OnClick, then sets the parent form's ModalResult when ModalResult is not
// zero. Enter clicks the focused button, else the Default button; Esc clicks
// the Cancel button.
class TButton : public TWinControl {
 public:
  explicit TButton(TWinControl* parent);
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& c) { SetText(c); }
  int ModalResult = 0;
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel = false;
  void Click() override;
  bool DialogKey(WORD key) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;

 private:
  bool default_ = false;
};

// A single-line edit. OnChange fires when the user changes the text; SetText
// by the program does not fire it. MaxLength counts UTF-16 characters (0: no
// limit).
class TEdit : public TWinControl {
 public:
  explicit TEdit(TWinControl* parent);
  void SetTextW(const std::wstring& t) override;
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int n);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  void SelectAll();
  TNotifyEvent OnChange;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  int maxLength_ = 0;
  bool readOnly_ = false;
  bool settingText_ = false;
  TControlBrush brush_;
};

// The narrow memo: a Unicode multi-line EDIT behind a code page 932 facade.
// Every position given to or taken from it (SelStart, SelLength, LineIndex,
// LineLength, LineFromChar, CaretPos) is a byte offset into its code page 932
// text, whatever the window counts inside; a position inside a double-byte
// character is taken as that character's start. Lines are the window's
// display lines (wrapped lines count when WordWrap is on; a lone LF breaks a
// line on some systems and not on others).
//
// Changing WordWrap or ScrollBars while the window exists re-creates it; text,
// selection, the modified flag, the first visible line, font and the window
// procedure the program installed are kept. OnChange fires on user edits only.
class TMemo : public TWinControl {
 public:
  explicit TMemo(TWinControl* parent);

  std::string Text() override;
  void SetText(const std::string& t) override;
  std::wstring TextW() override;
  void SetTextW(const std::wstring& t) override;
  // Sets the text as lines: every CR, LF and CR LF becomes CR LF.
  void SetLinesText(const std::string& t);
  void Clear();
  // The text of display line n (empty beyond the last).
  std::string Line(int n);
  int TextLength();  // bytes

  int SelStart();
  void SetSelStart(int byteOffset);  // empty selection there
  int SelLength();
  void SetSelLength(int bytes);      // from SelStart; negative selects backwards
  void SetSelection(int startByte, int endByte);  // as EM_SETSEL, in bytes
  std::string SelText();
  void SelectAll();

  int LineCount();
  // Byte offset of the start of display line n; -1 for the caret's line;
  // -1 is returned for a line beyond the last.
  int LineIndex(int line);
  // Byte length of the display line that holds the byte offset (-1: the caret's).
  int LineLength(int byteOffset);
  // Display line that holds the byte offset (-1: the caret's).
  int LineFromChar(int byteOffset);
  // The caret: x = byte offset of the selection's end within its line, y = that line.
  POINT CaretPos();
  void ScrollCaret();
  int GetFirstVisibleLine();
  void LineScroll(int dx, int dy);

  bool Modified();
  void SetModified(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle s);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int n);  // UTF-16 characters; 0: no limit
  bool BorderNone = false;   // no client edge (set before the window is made)

  // Enter goes into the text (a new line) rather than to the default button.
  bool WantReturns = true;
  bool WantKey(WORD key) override { return key == VK_RETURN && WantReturns; }

  TNotifyEvent OnChange;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

  // Conversions between byte offsets of the text and the window's units.
  int ByteToUnit(int byteOffset);
  int UnitToByte(int unit);

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  void EnsureMap();
  void Rebuild();
  std::vector<int> prefix_;  // byte offset of each unit index (size = units + 1)
  bool mapValid_ = false;
  bool readOnly_ = false, wordWrap_ = true, hideSelection_ = true;
  TScrollStyle scrollBars_ = ssNone;
  int maxLength_ = 0;
  bool settingText_ = false;
  TControlBrush brush_;
};

// Items of a list box or combo box: a string list whose entries are mirrored
// into the window. Objects are owned as in TStringList.
class TListControlItems : public TStrings {
 public:
  struct Sink {
    virtual ~Sink() = default;
    virtual void ItemInserted(int index, const std::wstring& text) = 0;
    virtual void ItemDeleted(int index) = 0;
    virtual void ItemsCleared() = 0;
  };
  explicit TListControlItems(Sink* sink) : sink_(sink) {}
  ~TListControlItems() override;
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& text) override;
  wchar_t* GetObject(int index) const override;
  void PutObject(int index, wchar_t* object) override;
  wchar_t* TakeObject(int index) override;
  int AddObject(const std::string& text, wchar_t* object) override;
  void Insert(int index, const std::string& text, wchar_t* object) override;
  void Delete(int index) override;
  void Clear() override;
  // What the window shows for an item: the narrow text widened, or (for an
  // empty text) its wide object.
  std::wstring Shown(int index) const;

 private:
  struct Item {
    std::string text;
    wchar_t* object = nullptr;
  };
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  Sink* sink_;
  std::vector<Item> items_;
};

typedef std::function<void(TWinControl* control, int index, const RECT& rect, TOwnerDrawState state)> TDrawItemEvent;
typedef std::function<void(TWinControl* control, int index, int& height)> TMeasureItemEvent;

// A list box. OnClick fires when the user changes the selection, OnDblClick on
// a double click on an item; ItemIndex, Selected, TopIndex and item writes by
// the program fire nothing. Owner drawing: OnDrawItem paints on Canvas()
// (attached to the item's DC; brush and font preset for the item's state);
// without a handler the item's text is drawn.
class TListBox : public TWinControl, private TListControlItems::Sink {
 public:
  explicit TListBox(TWinControl* parent);
  ~TListBox() override;
  TStrings& Items() { return items_; }
  int Count() const { return items_.Count(); }
  void Clear() { items_.Clear(); }

  int ItemIndex();  // -1 when none (the caret item in a multi-select list)
  void SetItemIndex(int i);
  bool Selected(int i);
  void SetSelected(int i, bool v);
  int SelCount();
  void ClearSelection();
  int TopIndex();
  void SetTopIndex(int i);
  int ItemHeight();
  void SetItemHeight(int h);
  int ItemAtPos(POINT p, bool existing);  // -1 (existing) or Count() when below the items
  RECT ItemRect(int i);

  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle s);
  bool BorderNone = false;  // no client edge (set before the window is made)
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  void BeginUpdate();
  void EndUpdate();

  TCanvas& Canvas() { return canvas_; }
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;
  void FontChanged() override;

 private:
  void ItemInserted(int index, const std::wstring& text) override;
  void ItemDeleted(int index) override;
  void ItemsCleared() override;
  void Recreate();  // keeps items, the item index and the top index
  TListControlItems items_;
  TListBoxStyle style_ = lbStandard;
  bool multiSelect_ = false;
  int itemHeight_ = 0;  // 0: from the font
  int itemIndex_ = -1, topIndex_ = 0;  // kept until the window exists
  int updateCount_ = 0;
  TCanvas canvas_;
  TControlBrush brush_;
};

// A combo box (drop-down list by default). OnChange fires when the user picks
// an item; ItemIndex and item writes by the program fire nothing.
class TComboBox : public TWinControl, private TListControlItems::Sink {
 public:
  explicit TComboBox(TWinControl* parent);
  ~TComboBox() override;
  TStrings& Items() { return items_; }
  int ItemIndex();
  void SetItemIndex(int i);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle s);
  int DropDownCount = 8;
  bool DroppedDown();
  void SetBounds(int l, int t, int w, int h) override;
  // Enter and Esc close an open list instead of going to the form's buttons.
  bool WantKey(WORD key) override;
  TNotifyEvent OnChange, OnDropDown, OnCloseUp;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  void ItemInserted(int index, const std::wstring& text) override;
  void ItemDeleted(int index) override;
  void ItemsCleared() override;
  void ApplyDropHeight();
  TListControlItems items_;
  TComboBoxStyle style_ = csDropDownList;
  int itemIndex_ = -1;
  TControlBrush brush_;
};
