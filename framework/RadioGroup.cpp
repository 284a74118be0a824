#include "framework/RadioGroup.h"

// One radio button of the group (an auto radio button: the system moves the
// check between the group's buttons).
class TRadioItem : public TWinControl {
 public:
  TRadioItem(TRadioGroup* group) : TWinControl(group), group_(group) { TabStop = true; }
  bool Checked() { return hwnd_ && SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool v) {
    checked_ = v;
    if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    // The button's background and text: the group's colours.
    if (IsColourRequest(msg))
      return AnswerColour(reinterpret_cast<HDC>(wp), Font().Color(), group_->Color(), group_->brush_);
    if (msg == CN_BASE + WM_COMMAND) {
      if (HIWORD(wp) == BN_CLICKED && Checked()) {
        for (int i = 0; i < group_->Count(); ++i)
          if (group_->buttons_[i] == this) group_->ItemClicked(i);
      }
      return 0;
    }
    return TWinControl::WndProc(msg, wp, lp);
  }

 protected:
  void CreateParams(TCreateParams& p) override {
    p.ClassName = L"BUTTON";
    p.SystemClass = true;
    p.Style = WS_CHILD | WS_CLIPSIBLINGS | BS_AUTORADIOBUTTON;
    if (group_->buttons_.empty() || group_->buttons_.front() == this) p.Style |= WS_GROUP;
  }
  void AfterCreate() override { SendMessageW(hwnd_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0); }

 private:
  TRadioGroup* group_;
  bool checked_ = false;
};

TRadioGroup::TRadioGroup(TWinControl* parent) : TWinControl(parent) {
  width_ = 185;
  height_ = 105;
}

void TRadioGroup::CreateParams(TCreateParams& p) {
  p.ClassName = L"BUTTON";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | BS_GROUPBOX;
}

LRESULT TRadioGroup::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  // The caption's background (asked of the form) and the area inside the frame.
  if (IsColourRequest(msg)) return AnswerColour(reinterpret_cast<HDC>(wp), Font().Color(), Color(), brush_);
  if (msg == WM_ERASEBKGND && hwnd_) {
    RECT r;
    GetClientRect(hwnd_, &r);
    FillRect(reinterpret_cast<HDC>(wp), &r, brush_.Get(Color()));
    return 1;
  }
  return TWinControl::WndProc(msg, wp, lp);
}

void TRadioGroup::SetItems(const std::vector<std::string>& items) {
  for (TWinControl* b : buttons_) delete b;
  buttons_.clear();
  for (const std::string& s : items) {
    auto* b = new TRadioItem(this);
    buttons_.push_back(b);
    b->SetText(s);
  }
  index_ = -1;
  Layout();
}

void TRadioGroup::DeleteItem(int index) {
  if (index < 0 || index >= Count()) return;
  const int current = ItemIndex();
  delete buttons_[index];
  buttons_.erase(buttons_.begin() + index);
  index_ = current == index ? -1 : (current > index ? current - 1 : current);
  Layout();
}

std::string TRadioGroup::ItemText(int index) { return index >= 0 && index < Count() ? buttons_[index]->Text() : ""; }

int TRadioGroup::ItemIndex() { return index_; }

void TRadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) return;
  index_ = index;
  for (int i = 0; i < Count(); ++i) static_cast<TRadioItem*>(buttons_[i])->SetChecked(i == index);
}

void TRadioGroup::ItemClicked(int index) {
  index_ = index;
  Click();
}

void TRadioGroup::Resize() {
  TWinControl::Resize();
  Layout();
}

void TRadioGroup::Layout() {
  if (buttons_.empty()) return;
  const int top = 16, room = height_ - top - 6;
  const int step = room / static_cast<int>(buttons_.size());
  for (size_t i = 0; i < buttons_.size(); ++i)
    buttons_[i]->SetBounds(8, top + static_cast<int>(i) * step, width_ - 16, step > 20 ? 20 : step);
}
