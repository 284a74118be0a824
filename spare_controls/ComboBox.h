// TNewComboBox: a combo box that, while its list is dropped down, reports the
// list's current selection at a fixed interval through OnSelNotify (the last
// report comes with the first tick after the list has closed), and that can
// combine owner-drawn items with an editable text field (OwnerDrawEdit).
//
// The report timer is a window timer of id TimeNo; it starts at a drop-down
// when OnSelNotify is set and no timer runs, and stops at the first tick
// after the list closed. Only ticks of that timer report.
//
// With OwnerDrawEdit and an owner-drawn style, focus changes of the combo box
// and of its edit part fire OnEnter and OnExit once per change.
// Property writes fire no events.
#pragma once
#include <functional>
#include "framework/StdCtrls.h"

enum TNewComboStyle { ncsDropDown, ncsDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TNewComboBox : public TComboBox {
 public:
  explicit TNewComboBox(TWinControl* parent);
  ~TNewComboBox() override;

  TNotifyEvent OnSelNotify;
  TDrawItemEvent OnDrawItem;  // owner-drawn styles; without it the item text is drawn
  int Index() const { return index_; }
  int Interval() const { return interval_; }
  int TimeNo() const { return timeNo_; }
  bool OwnerDrawEdit() const { return ownerDrawEdit_; }
  TNewComboStyle ComboStyle() const { return comboStyle_; }
  bool TimerRunning() const { return timerRunning_; }
  int ItemHeight = 16;  // owner-drawn items
  TCanvas& Canvas() { return canvas_; }

  void SetInterval(int v) { interval_ = v; }
  void SetTimeNo(int v) {
    if (v > 0) timeNo_ = v;
  }
  void SetOwnerDrawEdit(bool v);
  void SetComboStyle(TNewComboStyle s);

  // The drop-down notification: starts the report timer, then OnDropDown.
  void DropDown();
  void MsSelNotify();

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void BeforeDestroy() override;
  void DoEnter() override;
  void DoExit() override;

 private:
  void FocusNote(bool in);
  bool EditFocusMode() const {
    return ownerDrawEdit_ && (comboStyle_ == csOwnerDrawFixed || comboStyle_ == csOwnerDrawVariable);
  }
  int index_ = 0;
  int interval_ = 1000;
  int timeNo_ = 1;
  bool ownerDrawEdit_ = false;
  TNewComboStyle comboStyle_ = ncsDropDownList;
  bool timerRunning_ = false;
  UINT_PTR runningId_ = 0;
  bool focusIn_ = false;
  TCanvas canvas_;
};
