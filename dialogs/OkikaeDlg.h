// The replace dialogs of the edit dialogs: the search and the replacement,
// and whether case matters.
//
// TOkikaeDlg (narrow) shows and, on OK, overwrites the caller's two code page
// 932 strings. TOkikaeWidDlg (UTF-16) keeps its texts in two native EDIT
// windows: FindText and ReplaceText in, and out after OK. While it lives it
// owns the application's message hook, so that Tab cycles its controls and
// Enter and Escape act inside the multi-line replacement; the previous hook
// comes back when it closes (Execute), and when it is freed while the slot
// still holds its hook.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "framework/Form.h"

class TLabel;
class TEdit;
class TMemo;
class TCheckBox;
class TButton;
class TColorButton;

class TOkikaeDlg : public TForm {
 public:
  TOkikaeDlg(std::string& search, TForm* owner, std::string& replacement);

  TLabel* Label1 = nullptr;
  TEdit* Edit1 = nullptr;  // the search
  TLabel* Label2 = nullptr;
  TMemo* Memo2 = nullptr;  // the replacement, several lines
  TCheckBox* CheckBox1 = nullptr;  // MatchCase
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;

  void FormResize();
  void OKBtnClick();

  // Called when the dialog shows (tests answer it from here).
  static std::function<void(TOkikaeDlg&)> OnShowHook;

 private:
  std::string& search_;
  std::string& replacement_;
};

class TOkikaeWidDlg : public TForm {
 public:
  TOkikaeWidDlg(const std::wstring& search, TForm* owner, const std::wstring& replacement);
  ~TOkikaeWidDlg() override;

  std::wstring FindText, ReplaceText;
  HWND SearchEdit = nullptr;   // one line
  HWND ReplaceEdit = nullptr;  // several lines; Enter starts a new one

  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TCheckBox* CheckBox1 = nullptr;  // MatchCase
  TColorButton* OKBtn = nullptr;
  TColorButton* CancelBtn = nullptr;

  // Runs the dialog modally; the close handler runs as it ends, whichever
  // way it ended.
  int Execute();

  void FormCreate();
  void FormShow();
  void FormResize();
  void FormClose();
  void OKBtnClick();
  // The key filter of the dialog's message hook (key-downs only).
  void ReplaceKeyFilter(MSG& msg, bool& handled);
  // Tab: search, replacement, case box, OK, Cancel, search.
  void ReplaceTabFocus();

  // The hook that the dialog installs (its owner is found by identity).
  struct KeyHook {
    TOkikaeWidDlg* dialog;
    void operator()(MSG& msg, bool& handled) const { dialog->ReplaceKeyFilter(msg, handled); }
  };

  static std::function<void(TOkikaeWidDlg&)> OnShowHook;

 private:
  void RestoreHook();
  std::wstring EditText(HWND edit) const;
  std::function<void(MSG&, bool&)> previousHook_;
  bool hookInstalled_ = false;
};

// The dialogs while a replace flow runs them.
extern TOkikaeDlg* OkikaeDlg;
extern TOkikaeWidDlg* OkikaeWidDlg;
