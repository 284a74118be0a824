// The dialog of the whole-file code conversion: the target code, the mark, the
// UTF-16 byte order, the substitute character and the output file's name and
// folder. The main window fills it, runs it and reads TargetPath and the
// chosen code back.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "dialogs/MainWindowServices.h"
#include "framework/Form.h"

class TLabel;
class TEdit;
class TCheckBox;
class TButton;
class TSpeedButton;
class TRadioGroup;
class TMogCordChgDlg;

// The title strip that shows the output folder (painted by the dialog).
class TFolderStrip : public TCustomControl {
 public:
  TFolderStrip(TWinControl* parent, TMogCordChgDlg* dlg) : TCustomControl(parent), dlg_(dlg) {}

 protected:
  void Paint() override;

 private:
  TMogCordChgDlg* dlg_;
};

class TMogCordChgDlg : public TForm {
 public:
    // services: the main window's (the registered ones when not given).
  explicit TMogCordChgDlg(TForm* owner, dialogs::MainWindowServices& services = dialogs::MainWindow());

  TFolderStrip* PaintBox1 = nullptr;
  TLabel *Label2 = nullptr, *Label3 = nullptr;
  TEdit* Edit1 = nullptr;     // the name field without UnicodeMode
  TEdit* NameEdit = nullptr;  // the UTF-16 name field under UnicodeMode
  TSpeedButton* SpeedButton1 = nullptr;
  TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;
  TEdit* Edit2 = nullptr;
  TButton *OKBtn = nullptr, *CancelBtn = nullptr;

  int CurrentCode = 0;
  int PreviousIndex = 0;
  std::wstring TargetPath, SourcePath, OutputFolder, FolderCaption;
  bool SuppressNameEdit = false;

  // The code (TextCode) of the selected item; -1 when none.
  int ChosenCode();
  // The item that stands for code; -1 when the list does not hold it.
  int IndexOfCode(int code);
  static std::wstring CodeName(int code);

  void SetFileNameEdit(const std::wstring& name);
  std::wstring GetNameEditText();
  void ShowTargetPath(const std::wstring& path);
  void ShowFolder(const std::wstring& folder);
  std::wstring BuildOutputName(const std::wstring& path, bool cutAtParen);

  void FormShow();
  void FormCloseQuery(bool& canClose);
  void RadioGroup1Click();
  void SpeedButton1Click();
  void SpeedButton1MouseDown(TMouseButton button);
  void Edit1Change();
  void NameEditChange();
  void PaintBox1Paint(TCanvas& canvas, int width, int height);

  // For tests: called at the end of the show handler (to answer the dialog).
  static std::function<void(TMogCordChgDlg&)> OnShowHook;

 private:
  void EnableMarkBoxes();
  dialogs::MainWindowServices& services_;
  std::vector<int> codes_;  // TextCode of each item
  bool unicode_;
};
