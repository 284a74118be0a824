// A group box of radio buttons, one per item, laid out in one column. OnClick
// fires when the user picks an item (mouse or keys); SetItemIndex by the
// program fires nothing. The group paints its whole area in its colour (the
// system's group box draws only its frame and caption) and answers the
// colour requests of its caption and its buttons with it, so that it looks
// like the form's other groups.
#pragma once
#include <string>
#include <vector>

#include "framework/Control.h"
#include "framework/StdCtrls.h"

class TRadioGroup : public TWinControl {
 public:
  explicit TRadioGroup(TWinControl* parent);
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& c) { SetText(c); }
  // Items in code page 932.
  void SetItems(const std::vector<std::string>& items);
  void DeleteItem(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  std::string ItemText(int index);
  int ItemIndex();
  void SetItemIndex(int index);
  // The button of an item (for tests, which click it as a user would).
  TWinControl* Button(int index) { return buttons_[index]; }

 protected:
  void CreateParams(TCreateParams& p) override;
  void Resize() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  friend class TRadioItem;
  void ItemClicked(int index);
  void Layout();
  std::vector<TWinControl*> buttons_;
  int index_ = -1;
  TControlBrush brush_;
};
