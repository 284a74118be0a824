// A message box with a UTF-16 message and a check box ("全て ") with which
// the user skips the further questions of a loop. The replace flows of the
// edit dialogs ask with it, at each occurrence, whether to replace it.
//
// Modes: 0 a notice fitted to its message (OK and the check box side by
// side), 1 a question (OK and No around the middle, the check box at the
// left; the caller places it), 2 a wider notice in a fixed-pitch font with OK
// centred and no check box.
//
// The caller runs it with ShowModal, reads the result (mrOk 1, or mrNo 7; a
// close by the title bar gives mrCancel) and CheckBox1, then frees it. A
// position set before ShowModal wins over the centring on the screen.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "framework/Form.h"

class TButton;
class TCheckBox;

class TMessageSkipDlg : public TForm {
 public:
  // caption: code page 932; empty gives the application's title.
  TMessageSkipDlg(const std::string& caption, TForm* owner, int mode, const std::wstring& text);
  ~TMessageSkipDlg() override;

  int MessageMode = 0;
  std::wstring MessageText;
  HWND MessageLabel = nullptr;  // native UTF-16 static text
  int LabelWidth = 0, LabelHeight = 0;

  TButton* OKBtn = nullptr;
  TButton* NoBtn = nullptr;
  TCheckBox* CheckBox1 = nullptr;

  void FormCreate();
  void FormResize();

  // Moving the box before it shows keeps it where it was put.
  void SetBounds(int l, int t, int w, int h) override;

  // Called when the box shows (tests answer it from here).
  static std::function<void(TMessageSkipDlg&)> OnShowHook;

 private:
  // Mode 0: the client width to the widest line of the message + 32, within
  // 200 and the screen width - 100.
  void FitToMessage();
  bool constructed_ = false;
};

// The box while the replace flows show it.
extern TMessageSkipDlg* MessageSkipDlg;
