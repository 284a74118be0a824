// The dialog in which the user edits the selected range of a UTF-16 or UTF-8
// file as UTF-16 text, in a native EDIT window (WideTextEdit) inside Panel3.
// It returns the edited text, the line end to write and the keep-selection
// switch; the main window writes the text back.
//
// While the dialog lives it owns the application's message hook: key-downs go
// through the main window's key routing, so that Enter and Tab reach the EDIT
// and Escape does not close the dialog. The previous hook comes back when the
// form closes, and also when the dialog is freed without closing.
//
// The text tools of the "文書整形" menu and the replace command live in
// InputWidTextDlgTools.cpp: the handlers there are stand-ins until the tools
// are built.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "framework/Form.h"

namespace dialogs {
class MainWindowServices;
}
class TPanel;
class TLabel;
class TComboBox;
class TCheckBox;
class TColorButton;
class TColorProgressBar;
class TMainMenu;
class TMenuItem;

class TInputWidTextDlg : public TForm {
 public:
  // editTextMode non-zero: a read-only EDIT.
  TInputWidTextDlg(const std::wstring& text, TForm* owner, uint8_t editTextMode, dialogs::MainWindowServices* services);
  ~TInputWidTextDlg() override;

  // ---- controls
  TPanel* Panel2 = nullptr;
  TLabel* Label1 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  TColorButton *OKBtn = nullptr, *CancelBtn = nullptr;
  TCheckBox* CheckBox1 = nullptr;  // "選択保持"
  TColorProgressBar* ColorProgressBar1 = nullptr;
  TPanel* Panel3 = nullptr;
  HWND WideTextEdit = nullptr;

  // The dialog's menu; the caller attaches it (SetMenu) when it wants it shown.
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem *N1 = nullptr, *N2 = nullptr, *N31 = nullptr, *N32 = nullptr, *N33 = nullptr, *N34 = nullptr,
            *N36 = nullptr, *N37 = nullptr, *N38 = nullptr, *N42 = nullptr, *N43 = nullptr, *N44 = nullptr,
            *N45 = nullptr, *N46 = nullptr, *N47 = nullptr, *N48 = nullptr, *N49 = nullptr, *N50 = nullptr,
            *N39 = nullptr, *N26 = nullptr, *N27 = nullptr;
  TMenuItem *Edit2 = nullptr, *N52 = nullptr, *Edit1 = nullptr, *Replace1 = nullptr;

  // ---- state
  std::wstring UndoText;
  uint8_t EditTextMode = 0;
  int TextLengthBefore = 0;
  int SelLengthBefore = 0;
  bool SortDescending = false;

  // Runs the dialog modally; the form's close handler runs as it ends,
  // whichever way it ended (button, Escape or close box).
  int Execute();

  // ---- results
  std::wstring GetEditText();
  int LineEndChoice() const;
  bool KeepSelection();

  // Every lone CR and lone LF of text as CR LF (the EDIT breaks lines only at CR LF).
  static std::wstring NormalizeLineEnds(const std::wstring& text);

  // ---- handlers
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormResize();
  void Panel3Resize();
  void ComboBox1Change();
  void N52Click();
  void N39Click();
  // Text tools and replace (InputWidTextDlgTools.cpp).
  void ABCabc1Click(TMenuItem* sender);
  void N26Click(TMenuItem* sender);
  void mtshr1Click(TMenuItem* sender);
  void N32Click(TMenuItem* sender);
  void N34Click(TMenuItem* sender);
  void N36Click(TMenuItem* sender);
  void N38Click(TMenuItem* sender);
  void N43Click(TMenuItem* sender);
  void N47Click(TMenuItem* sender);
  void N50Click(TMenuItem* sender);
  void Replace1Click(TMenuItem* sender);

  // The keep-selection pair, in UTF-16 units.
  int BeginSelectionTool();
  void EndSelectionTool(int start, int length);

  dialogs::MainWindowServices* Services() const { return services_; }
  HBRUSH WhiteBrush() const { return whiteBrush_; }
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

  // The application hook that the dialog installs (its owner is found by identity).
  struct KeyHook {
    TInputWidTextDlg* dialog;
    void operator()(MSG& msg, bool& handled) const;
  };

 private:
  void BuildMenus();
  void PlaceButtons();
  void RestoreHook();
  static LRESULT CALLBACK PanelProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  dialogs::MainWindowServices* services_;
  WNDPROC panelPrevProc_ = nullptr;
  HBRUSH whiteBrush_ = nullptr;
  std::function<void(MSG&, bool&)> previousHook_;
  bool hookInstalled_ = false;
  bool settingText_ = false;
};

extern TInputWidTextDlg* InputWidTextDlg;
