// The windowed control base of the framework layer.
//
// Every control is a real Win32 window. A control is constructed with its parent
// (which owns it and deletes it with itself); its window is made on first need:
// when its Handle() is asked for, or when the parent's window exists and a
// property is set, or when its form is shown. Property writes before that are
// kept and applied at creation.
//
// Messages: every window of a control, whether of the framework's own classes or
// a native class (EDIT, LISTBOX, ...), is subclassed so that all its messages go
// through the virtual WndProc(); DefaultHandler() passes a message on to the
// class's own procedure. The program may replace a control's window procedure
// with SetWindowLongPtrW as on any window; the replaced procedure is then ours
// and must be called for messages it does not take.
//
// Notifications that Windows sends to the parent (WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM, WM_HSCROLL/WM_VSCROLL of a child
// control) are handed back to the child control as CN_BASE + message
// ("reflected"), with the same wParam and lParam; a control that does not take
// them answers with the default handling of the parent.
//
// Keys: the application's message loop gives a key-down first to the
// application's message hook (TApplication::OnMessage). Then, for Enter, Esc and
// Tab, when the control with the focus does not want the key itself (WantKey()
// false), the key goes to the form's DialogKey() broadcast (each control's
// DialogKey(); the first that answers true takes it) and is not dispatched.
// Otherwise it is dispatched and reaches the control with the focus, where it
// is first offered to the shortcuts of its form's main menu (framework/Menus.h):
// a key that runs a menu item goes no further; any other reaches KeyDown() (and
// OnKeyDown), once.
//
// Events: property writes by the program never fire the control's events unless
// the control's header says so.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "framework/Graphics.h"

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
typedef unsigned TShiftState;
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };

// Reflected notification messages (see above).
const UINT CN_BASE = 0xBC00;

TShiftState KeyShiftState();               // from GetKeyState
TShiftState MouseShiftState(WPARAM wp);    // from the MK_ flags of a mouse message

class TForm;
class TPopupMenu;
class TWinControl;

typedef std::function<void(TWinControl* sender)> TNotifyEvent;
typedef std::function<void(TWinControl* sender, TMouseButton button, TShiftState shift, int x, int y)> TMouseEvent;
typedef std::function<void(TWinControl* sender, TShiftState shift, int x, int y)> TMouseMoveEvent;
typedef std::function<void(TWinControl* sender, WORD& key, TShiftState shift)> TKeyEvent;
typedef std::function<void(TWinControl* sender, char& key)> TKeyPressEvent;

class TWinControl {
 public:
  explicit TWinControl(TWinControl* parent);
  virtual ~TWinControl();
  TWinControl(const TWinControl&) = delete;
  TWinControl& operator=(const TWinControl&) = delete;

  std::string Name;  // the component name (for tests and diagnostics)
  int Tag = 0;

  // The window; made on first call (with the parent's first).
  HWND Handle();
  bool HandleAllocated() const { return hwnd_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys and makes the window again (style changes); keeps text, bounds,
  // font, visibility and the program's replaced window procedure.
  void RecreateWnd();
  static TWinControl* FromHandle(HWND hwnd);
  // The procedure of every framework window (class procedure and subclass).
  static WNDPROC ClassProc() { return &StaticProc; }

  TWinControl* Parent() const { return parent_; }
  const std::vector<TWinControl*>& Controls() const { return children_; }
  TForm* ParentForm();

  // Geometry, in the parent's client coordinates.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int l, int t, int w, int h);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  int ClientWidth();
  int ClientHeight();
  RECT ClientRect();

  TAlign Align() const { return align_; }
  void SetAlign(TAlign a);
  // Lays out the children with an Align other than alNone (top, bottom, left,
  // right, then client), in creation order within each kind.
  void Realign();

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible and every parent visible.
  bool Showing() const;

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);

  bool TabStop = false;
  void SetFocus();
  bool Focused();
  virtual bool CanFocus();

  void Invalidate();
  void Update();
  void Repaint() { Invalidate(); Update(); }

  TFont& Font() { return font_; }
  TColor Color() const { return color_; }
  virtual void SetColor(TColor c);

  // Hint: "short|long"; the long part goes to the application's hint event.
  std::string Hint;  // code page 932
  bool ShowHint = false;

  // Caption or text of the window, code page 932 / UTF-16.
  virtual std::string Text();
  virtual void SetText(const std::string& text);
  virtual std::wstring TextW();
  virtual void SetTextW(const std::wstring& text);

  bool DoubleBuffered = false;

  // The control's pop-up menu (not owned). A context-menu request reaching
  // the control (WM_CONTEXTMENU: a right click, Shift+F10 or the menu key)
  // shows it instead of the window's own menu, at the mouse point, or at the
  // control's top left corner when the request comes from the keyboard;
  // nullptr: the window's own handling. Setting it fires nothing.
  TPopupMenu* PopupMenu = nullptr;

  TNotifyEvent OnClick, OnDblClick, OnEnter, OnExit, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

  // All messages of the window.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  // The class's own handling (the native procedure, or DefWindowProc).
  LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);

  // Whether the control takes Enter/Esc/Tab itself while it has the focus.
  virtual bool WantKey(WORD key) { return false; }
  // Offered a dialog key (Enter, Esc, Tab) that the focused control did not want;
  // the default offers it to the children in order.
  virtual bool DialogKey(WORD key);

  // Programmatic click (fires OnClick).
  virtual void Click();

 protected:
  struct TCreateParams {
    std::wstring ClassName;       // registered by the framework when not a system class
    bool SystemClass = false;     // a native class (EDIT, LISTBOX, ...): made under the superclass
                                  // "T" + ClassName and subclassed
    DWORD Style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ExStyle = 0;
    UINT ClassStyle = CS_DBLCLKS;
    HBRUSH Background = nullptr;  // own classes: nullptr, the control paints itself
  };
  virtual void CreateParams(TCreateParams& params);
  // After the window exists: apply state kept before creation (text, font, ...).
  virtual void CreateWnd();
  virtual void DestroyWnd();
  virtual void AfterCreate() {}
  virtual void BeforeDestroy() {}

  // Dispatch targets of WndProc.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DblClick();
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  virtual void Resize();
  // Paints the control; own classes only. The default fills with Color.
  virtual void PaintWindow(HDC dc);
  virtual void FontChanged();
  // The area that Realign() lays the children out in (a panel leaves its
  // bevels and border out); starts as the client rectangle.
  virtual void AdjustClientRect(RECT& r) {}
  // For native controls: a mouse button message goes to the class's own
  // procedure first and then to MouseDown/MouseUp (and DblClick when
  // withDblClick), so the events see the state the click made. Sets handled
  // for the button messages; the caller returns the result then.
  LRESULT MouseAfterNative(UINT msg, WPARAM wp, LPARAM lp, bool withDblClick, bool& handled);

  HWND hwnd_ = nullptr;
  WNDPROC nativeProc_ = nullptr;  // the class procedure of a subclassed native window
  TWinControl* parent_;
  std::vector<TWinControl*> children_;
  int left_ = 0, top_ = 0, width_ = 100, height_ = 25;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clBtnFace;
  TFont font_;
  std::wstring text_;
  bool creating_ = false;

 private:
  friend class TForm;
  static LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
  void RemoveChild(TWinControl* child);
  void ApplyBounds();
  bool inSetBounds_ = false;
  bool realigning_ = false;
  bool mouseInside_ = false;
};

// A control of an own window class that paints itself: Paint() draws on Canvas(),
// which is an off-screen bitmap of the client size; the framework copies it to
// the window in one step.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TWinControl* parent) : TWinControl(parent) {}
  TCanvas& Canvas() { return buffer_.Canvas(); }
  // Renders the control into a bitmap of its size (for tests and for the
  // program's own off-screen drawing).
  void PaintTo(TBitmap& target);

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  TBitmap buffer_;
};

// The framework's superclass of a native window class: "T" + the class name,
// with the native class's procedure (registered once).
std::wstring SuperclassName(const std::wstring& nativeClass);

// Registers (once) an own window class whose procedure is the framework's.
void RegisterFrameworkClass(const std::wstring& className, UINT classStyle, HBRUSH background, HICON icon = nullptr);

// A hidden message-only window of the class className, registered here with
// proc (a second registration fails harmlessly): for work that needs a window
// but shows none. Null when it cannot be created.
HWND CreateMessageWindow(const wchar_t* className, WNDPROC proc);
