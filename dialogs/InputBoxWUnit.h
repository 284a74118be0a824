// The UTF-16 text input box: one line of text with a prompt, buttons that
// fill it from the clipboard or from the main window's selected text, and two
// check boxes whose meaning the caller gives. Mode 0 asks for a plain text
// (the search, the edit tools), mode 1 for a bookmark's title.
//
// The caller sets the caption (and in mode 1 the icon, StaticText1 and
// whether CheckBox2 is enabled), runs it with ShowModal and, on OK, reads
// InputText, CheckBox1, CheckBox2 and StaticText1; then frees it.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Form.h"

class TCheckBox;
class TStaticText;
class TPanel;
class TSpeedButton;
class TButton;
class TImageList;

enum InputBoxMode { ibPlainInput = 0, ibBookmarkTitle = 1 };

class TInputWideDlg : public TForm {
 public:
  // The longest text the box gives back, in UTF-16 units.
  static const int kMaxUnits = 255;

  TInputWideDlg(const std::wstring& prompt, TForm* owner, int mode, const std::wstring& initialText);
  ~TInputWideDlg() override;

  std::wstring PromptText;
  std::wstring InputText;     // the initial text; after OK the text entered
  std::string ShownLineText;  // StaticText1's caption as the box was shown
  int Mode = ibPlainInput;

  HWND InputEdit = nullptr;    // native UTF-16 edit
  HWND PromptLabel = nullptr;  // native UTF-16 static
  TCheckBox* CheckBox1 = nullptr;
  TCheckBox* CheckBox2 = nullptr;
  TStaticText* StaticText1 = nullptr;
  TPanel* Panel1 = nullptr;  // the bottom row
  TSpeedButton* SpeedButton1 = nullptr;  // clipboard
  TSpeedButton* SpeedButton2 = nullptr;  // selected text
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;

  void FormCreate();
  void FormShow();
  void FormResize();
  void OKBtnClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void CheckBox2Click();

  // The edit's text now (any length).
  std::wstring EditText();
  // text cut to at most maxUnits UTF-16 units, never between the two halves
  // of a surrogate pair (the pair is left out whole then).
  static std::wstring CutToUnits(const std::wstring& text, size_t maxUnits);

 private:
  TImageList* images_ = nullptr;
};
