// The line-number input box: a number edit, a button that takes the line
// number picked in the main window's line-number column, a clipboard button,
// and a read-out of the number with thousands separators or in kanji units.
//
// The caller sets the caption and Label1, runs it with ShowModal and, on OK,
// reads NumberEdit1's text as a signed 64-bit number; then frees it.
#pragma once
#include <cstdint>
#include <string>
#include "framework/Form.h"

class TLabel;
class TNumberEdit;
class TSpeedButton;
class TStaticText;
class TCheckBox;
class TButton;
class TImageList;

class TInputBoxDlg : public TForm {
 public:
  // lineNumber: what SpeedButton1 offers when no line is picked (-1: none).
  TInputBoxDlg(TForm* owner, int64_t lineNumber);
  ~TInputBoxDlg() override;

  int64_t InitialLineNumber = -1;

  TLabel* Label1 = nullptr;
  TNumberEdit* NumberEdit1 = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;  // picked line number
  TSpeedButton* SpeedButton2 = nullptr;  // clipboard
  TStaticText* StaticText1 = nullptr;    // read-out
  TCheckBox* CheckBox1 = nullptr;        // kanji units
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;

  void NumberEdit1Change();
  void CheckBox1Click();
  void SpeedButton1Click();
  void SpeedButton2Click();

 private:
  TImageList* images_ = nullptr;
};
