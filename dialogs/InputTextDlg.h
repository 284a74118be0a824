// The dialog in which the user edits the selected range of a Shift_JIS,
// EUC-JP or JIS file, as code page 932 text in a memo. It returns the edited
// text, the line end to write and the keep-selection switch; the main window
// writes the text back. Created hidden and never shown, it only hosts the
// conversion library for the kana-insensitive search.
//
// The text tools of the "文書整形" menu and the replace command live in
// InputTextDlgTools.cpp: the handlers there are stand-ins until the tools
// are built.
#pragma once
#include <string>

#include "dialogs/ConversionLibrary.h"
#include "framework/Form.h"

namespace dialogs {
class MainWindowServices;
}
class TPanel;
class TLabel;
class TComboBox;
class TButton;
class TCheckBox;
class TMemo;
class TMainMenu;
class TPopupMenu;
class TMenuItem;
class TColorProgressBar;

class TInputTextDlg : public TForm {
 public:
  // The conversion host: no text, never shown.
  TInputTextDlg(TForm* owner, dialogs::MainWindowServices* services);
  // The edit dialog for text.
  TInputTextDlg(const std::string& text, TForm* owner, dialogs::MainWindowServices* services);
  ~TInputTextDlg() override;

  // ---- controls
  TPanel* Panel2 = nullptr;
  TLabel* Label1 = nullptr;
  TComboBox* ComboBox1 = nullptr;  // the line end to write: 0 unchanged, 1 CR LF, 2 CR, 3 LF
  TButton *OKBtn = nullptr, *CancelBtn = nullptr;
  TCheckBox* CheckBox1 = nullptr;  // "選択保持"
  TColorProgressBar* ColorProgressBar1 = nullptr;
  TMemo* Memo1 = nullptr;

  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* N5 = nullptr;  // "文書整形"
  TMenuItem *N2 = nullptr;  // "テキストの変換"
  TMenuItem *ABCabcS1 = nullptr, *abcABCB1 = nullptr, *N38 = nullptr, *N31 = nullptr, *N36 = nullptr,
            *N33 = nullptr, *N34 = nullptr, *ABCA2 = nullptr, *N32 = nullptr, *N25 = nullptr, *N30 = nullptr,
            *N28 = nullptr, *ABCA1 = nullptr, *N27 = nullptr, *N26 = nullptr, *N23 = nullptr, *N20 = nullptr,
            *N18 = nullptr, *N17 = nullptr;
  TMenuItem *SortUpMenu = nullptr, *SortDownMenu = nullptr, *N7 = nullptr, *TopInpMenu = nullptr, *N40 = nullptr,
            *N41 = nullptr, *N15 = nullptr, *N14 = nullptr;
  TMenuItem *mtsh4 = nullptr, *MTSH3 = nullptr, *N12 = nullptr, *N22 = nullptr, *mtsh2 = nullptr,
            *MTSH1 = nullptr, *N11 = nullptr, *N21 = nullptr;
  TMenuItem *IndentMenu1 = nullptr, *IndentMenu2 = nullptr, *IndentMenu3 = nullptr, *OutdentMenu1 = nullptr,
            *OutdentMenu2 = nullptr, *OutdentMenu3 = nullptr, *IndentAllDelMenu = nullptr;
  TMenuItem *Edit1 = nullptr, *N42 = nullptr, *Find1 = nullptr, *Replace1 = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;
  TMenuItem *Undo1 = nullptr, *Cut1 = nullptr, *Copy1 = nullptr, *Paste1 = nullptr, *Delete1 = nullptr,
            *AllSelMenu = nullptr;

  // ---- state
  std::string UndoText;      // the whole text before the last text tool
  int TextLengthBefore = 0;  // whole text length (bytes) when a selection tool began
  int SelLengthBefore = 0;
  bool SortDescending = false;
  ConversionLibrary Conversion;  // bound per command

  // ---- results
  int LineEndChoice() const;
  std::string EditedText();  // the memo's whole text
  bool KeepSelection();

  // ---- handlers
  void FormResize();
  void Memo1Change();
  void ComboBox1Change();
  void Memo1KeyDown(WORD& key, TShiftState shift);
  void PopupMenu2Popup();
  void Undo1Click();
  void Cut1Click();
  void Copy1Click();
  void Paste1Click();
  void Delete1Click();
  void AllSelMenuClick();
  void N42Click();
  void N5Click();
  // Conversions of the selection (the library is bound for the command).
  void ABCabcS1Click(TMenuItem* sender);
  void N36Click(TMenuItem* sender);
  void N30Click(TMenuItem* sender);
  // Text tools and replace (InputTextDlgTools.cpp).
  void SortUpMenuClick(TMenuItem* sender);
  void N7Click(TMenuItem* sender);
  void TopInpMenuClick(TMenuItem* sender);
  void N41Click(TMenuItem* sender);
  void IndentMenu1Click(TMenuItem* sender);
  void OutdentMenu1Click(TMenuItem* sender);
  void IndentAllDelMenuClick(TMenuItem* sender);
  void AdMenuClick(TMenuItem* sender);
  void mtsh1Click(TMenuItem* sender);
  void Replace1Click(TMenuItem* sender);

  // The keep-selection pair around a tool that replaces the selection (bytes).
  int BeginSelectionTool();
  void EndSelectionTool(int start, int length);

  // The library binding of the conversion commands and of the hidden host.
  bool LoadConversionLibrary() { return Conversion.Load(); }
  void FreeConversionLibrary() { Conversion.Free(); }
  std::string ConvertText(const std::string& text, int kind) { return Conversion.ConvertText(text, kind); }
  std::string ConvertWholeWidth(const std::string& text, bool toHalf) {
    return Conversion.ConvertWholeWidth(text, toHalf);
  }

  dialogs::MainWindowServices* Services() const { return services_; }
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Build(bool host);
  void BuildMenus();
  void PlaceButtons();
  // Replaces the memo's selection by the conversion of it (one command).
  void ConvertSelection(const std::function<std::string(const std::string&)>& convert);
  static LRESULT CALLBACK MemoProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  dialogs::MainWindowServices* services_;
  WNDPROC memoPrevProc_ = nullptr;
};

// The dialog of the running edit flow, if any.
extern TInputTextDlg* InputTextDlg;
