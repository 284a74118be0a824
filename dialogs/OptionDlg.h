// The options dialog: the viewer's settings, the program's shortcuts on the
// desktop and in the Send To folder, and its open-with entry. The dialog holds
// no logic beyond enabling the detection size with automatic detection and
// opening its help topic; the options flow (viewer/OptionsFlow.h) fills it,
// runs it and reads it back.
#pragma once
#include "framework/Form.h"

class TPanel;
class TLabel;
class TComboBox;
class TCheckBox;
class TEdit;
class TNumberEdit;
class TUpDown;
class TButton;
class TSpeedButton;
class TImageList;

class TOptionDlg : public TForm {
 public:
  explicit TOptionDlg(TForm* owner);
  ~TOptionDlg() override;

  TPanel* Panel1 = nullptr;
  TComboBox* ComboBox1 = nullptr;  // font size
  TCheckBox* CheckBox1 = nullptr;  // Send To shortcut
  TCheckBox* CheckBox2 = nullptr;  // automatic code detection
  TCheckBox* CheckBox3 = nullptr;  // watch from the last line
  TNumberEdit* NumberEdit1 = nullptr;
  TUpDown* UpDown1 = nullptr;      // detection size, MB
  TCheckBox* CheckBox4 = nullptr;  // merge unconvertible characters
  TNumberEdit* NumberEdit2 = nullptr;
  TUpDown* UpDown2 = nullptr;      // bookmark title length
  TCheckBox* CheckBox5 = nullptr;  // delete bookmarks of missing files
  TComboBox* ComboBox2 = nullptr;  // bookmark font size
  TCheckBox* CheckBox6 = nullptr;  // open-with entry
  TEdit* Edit1 = nullptr;          // accepted extensions
  TCheckBox* CheckBox7 = nullptr;  // reduce flicker
  TCheckBox* CheckBox8 = nullptr;  // desktop shortcut
  TNumberEdit* NumberEdit3 = nullptr;
  TUpDown* UpDown3 = nullptr;      // CSV columns
  TCheckBox* CheckBox9 = nullptr;  // line-number list built on its own
  TCheckBox* CheckBox10 = nullptr; // confirm bookmark loads
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;  // help

  void CheckBox2Click();
  void SpeedButton1Click();

 private:
  TImageList* images_ = nullptr;
};

// The dialog while the options flow runs (null otherwise).
extern TOptionDlg* OptionDlg;
