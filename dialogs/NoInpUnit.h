// The settings box of the edit dialogs' line numbering: the start number
// (0 to 30000), the separator, the alignment of the numbers and whether empty
// and blank-led lines are skipped. The caller runs it modally and, on OK,
// reads LineNumberParams(); Cancel leaves everything as it was.
#pragma once
#include <string>

#include "framework/Form.h"

class TNumberEdit;
class TUpDown;
class TEdit;
class TComboBox;
class TCheckBox;
class TButton;
class TLabel;
class TBevel;

class TOKRightDlg : public TForm {
 public:
  explicit TOKRightDlg(TForm* owner);

  TBevel* Bevel1 = nullptr;
  TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
  TNumberEdit* NumberEdit1 = nullptr;  // the start number
  TUpDown* UpDown1 = nullptr;
  TEdit* Edit1 = nullptr;          // the separator
  TComboBox* ComboBox1 = nullptr;  // NumberAlign: 0 left, 1 padded with spaces, 2 zero-filled
  TCheckBox* CheckBox1 = nullptr;  // "空行等は除く"
  TButton *OKBtn = nullptr, *CancelBtn = nullptr;

  // What the controls hold now.
  struct Params {
    int start = 0;
    std::wstring separator;
    int align = 0;
    bool skipBlankLines = true;
  };
  Params LineNumberParams();
};

// The box of the running numbering, if any.
extern TOKRightDlg* OKRightDlg;
