// Forms: top-level windows of an own window class named after the form's class
// (the main window is found by other programs through its class name).
//
// Life of a form: construct it with NewForm<T>(...) (or construct, then call
// AfterConstruction()), which runs OnCreate; the first showing runs OnShow; a
// close request (WM_CLOSE, Close()) asks OnCloseQuery, then OnClose; Free() runs
// OnDestroy and deletes the form. A form is never freed while a nested loop
// runs inside one of its handlers: Free() then defers the deletion to the end of
// that loop.
//
// ShowModal() disables the other windows of the thread, shows the form and runs
// a nested loop until ModalResult is set (a button with a modal result, or a
// close request, which gives mrCancel) or the application terminates; then it
// hides the form and gives back the result. The form is not freed.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include "framework/Control.h"

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };
enum TBorderStyle { bsSizeable, bsDialog, bsSingle, bsToolWindow };
enum TFormPosition { poDesigned, poScreenCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TMainMenu;

class TForm : public TWinControl {
 public:
  // owner: the form (or nullptr) that owns this one as a top-level window.
  TForm(TForm* owner, const std::wstring& className);
  ~TForm() override;

  std::wstring ClassName() const { return className_; }
  TForm* Owner() const { return owner_; }

  // Caption: code page 932 (Text()/SetText()) or UTF-16 (TextW()/SetTextW()).
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& c) { SetText(c); }

  TBorderStyle BorderStyle = bsSizeable;
  TFormPosition Position = poDesigned;
  bool KeyPreview = false;
  // The buttons beside the system menu of a sizeable or single-border form.
  bool MinimizeBox = true, MaximizeBox = true;
  // Stays above the other windows that are not topmost (set before the window
  // is made).
  bool StayOnTop = false;
  // Limits of the window's size in pixels (0: no limit), kept by the window
  // whenever the user or the program sizes it.
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
  // The icon of the caption and the task switcher; the form takes ownership
  // (nullptr: the class's icon again).
  void SetIcon(HICON icon);
  HICON Icon() const { return icon_; }

  TNotifyEvent OnCreate, OnShow, OnDestroy, OnActivate, OnDeactivate;
  std::function<void(TWinControl* sender, bool& canClose)> OnCloseQuery;
  std::function<void(TWinControl* sender, TCloseAction& action)> OnClose;

  void AfterConstruction();
  void Free();

  int ModalResult() const { return modalResult_; }
  void SetModalResult(int r) { modalResult_ = r; }
  int ShowModal();
  bool Modal() const { return modalLevel_ > 0; }
  // The form whose modal run began last and still runs, or nullptr.
  static TForm* InnermostModal();
  // A close request, as from the close box.
  void Close();
  // Asks OnCloseQuery; true when the form may close.
  bool CloseQuery();

  void SetMenu(TMainMenu* menu);
  TMainMenu* Menu() const { return menu_; }

  // The control that had the focus last inside this form.
  TWinControl* ActiveControl() const { return active_; }
  void SetActiveControl(TWinControl* c);

  // Number of nested loops running inside handlers of this form.
  int NestingDepth() const { return nesting_; }
  struct NestGuard {
    explicit NestGuard(TForm* f);
    ~NestGuard();
    TForm* form;
  };

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool DialogKey(WORD key) override;

  void SetVisible(bool v) override;
  // Keeps the size limits above.
  void SetBounds(int l, int t, int w, int h) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  void CloseDone();
  std::wstring className_;
  TForm* owner_;
  int modalResult_ = mrNone;
  int modalLevel_ = 0;
  bool shown_ = false;
  bool freed_ = false;
  bool deletePending_ = false;
  int nesting_ = 0;
  TMainMenu* menu_ = nullptr;
  TWinControl* active_ = nullptr;
  HWND nativeFocus_ = nullptr;  // a focused child that is no framework control
  HICON icon_ = nullptr;
};

template <class T, class... A>
T* NewForm(A&&... args) {
  T* f = new T(std::forward<A>(args)...);
  f->AfterConstruction();
  return f;
}
