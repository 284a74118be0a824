// TYesAllNoCancelBox asks a Yes / No / Cancel question with a UTF-16 message,
// an optional picture from an image list and an optional check box; Execute
// makes the dialog TYesAllNoCancelDlg, copies the settings into it, runs it
// modally, reads the check box back and frees it.
//
// Execute returns 6 (Yes), 7 (No) or 2 (Cancel, also the close box), and 0
// after any exception while the dialog is made or shown; the dialog is freed
// on every path. While Execute runs, the setters of the buttons' hints,
// hint switches and enabled states apply to the dialog at once.
//
// The three buttons start disabled and the Yes and No captions empty: a
// caller sets what it needs.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "framework/Form.h"
#include "framework/StdCtrls.h"

class TYesAllNoCancelPaintBox;

class TYesAllNoCancelDlg : public TForm {
 public:
  // caption: code page 932; text: the message.
  TYesAllNoCancelDlg(const std::string& caption, TForm* owner, const std::wstring& text);
  ~TYesAllNoCancelDlg() override;

  std::wstring MessageText;
  HIMAGELIST ImageList = nullptr;
  int ImageIndex = 0;

  TCustomControl* PaintBox1 = nullptr;  // the picture area
  TPanel* Panel1 = nullptr;
  TCheckBox* CheckBox1 = nullptr;
  TButton* OKBtn = nullptr;
  TButton* NoBtn = nullptr;
  TButton* CancelBtn = nullptr;
  HWND MessageLabel = nullptr;

  // Measures the text at the label's width with the label's font, sizes the
  // label to it and grows the dialog so that the whole message stays above
  // the buttons (within the screen's work area; the label clips beyond).
  void SetMessage(const std::wstring& text);
  // The form's font, given to its controls and the message label.
  void SetDialogFont(const TFont& f);
  void SetClientSize(int w, int h);

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void FormCreate();
  void PaintBox1Paint(TCanvas& c, int w, int h);
  friend class TYesAllNoCancelPaintBox;
  HBRUSH faceBrush_ = nullptr;
  TFont labelFont_;
};

class TYesAllNoCancelBox {
 public:
  TYesAllNoCancelBox();
  virtual ~TYesAllNoCancelBox();

  TForm* OwnerForm = nullptr;
  std::string Title;
  std::wstring Msg;
  std::string OkBtnCaption, NoBtnCaption;
  HIMAGELIST ImageList = nullptr;
  int ImageIndex = 0;
  bool CheckBoxVisible = false;
  bool CheckBoxChecked = false;
  std::string CheckBoxCaption;

  const TFont& Font() const { return font_; }
  void SetFont(const TFont& f) { font_ = f; }

  const std::string& OkBtnHint() const { return okHint_; }
  void SetOkBtnHint(const std::string& v);
  void SetNoBtnHint(const std::string& v);
  void SetCancelBtnHint(const std::string& v);
  void SetOkBtnShowHint(bool v);
  void SetNoBtnShowHint(bool v);
  void SetCancelBtnShowHint(bool v);
  bool OkBtnEnabled() const { return okEnabled_; }
  bool NoBtnEnabled() const { return noEnabled_; }
  bool CancelBtnEnabled() const { return cancelEnabled_; }
  void SetOkBtnEnabled(bool v);
  void SetNoBtnEnabled(bool v);
  void SetCancelBtnEnabled(bool v);

  int Execute();
  // The dialog while Execute runs, else nullptr.
  TYesAllNoCancelDlg* Dialog() const { return dlg_; }

 protected:
  // Runs after the settings are copied into the dialog, before it shows.
  virtual void BeforeShow(TYesAllNoCancelDlg& dlg) {}

 private:
  TFont font_;
  std::string okHint_, noHint_, cancelHint_;
  bool okShowHint_ = false, noShowHint_ = false, cancelShowHint_ = false;
  bool okEnabled_ = false, noEnabled_ = false, cancelEnabled_ = false;
  TYesAllNoCancelDlg* dlg_ = nullptr;
};
