#include "controls/NumberEdit.h"
#include <vector>
#include "framework/ComCtrls.h"

TNumberEdit::TNumberEdit(TWinControl* parent) : TEdit(parent) {}

void TNumberEdit::CreateParams(TCreateParams& p) {
  TEdit::CreateParams(p);
  p.Style &= ~static_cast<DWORD>(ES_LEFT | ES_CENTER | ES_RIGHT | ES_NUMBER);
  p.Style |= static_cast<DWORD>(alignment_);
  if (numberOnly_) p.Style |= ES_NUMBER;
}

void TNumberEdit::SetAlignment(ALIGNMENT a) {
  alignment_ = a;
  Recreate();
}

void TNumberEdit::SetNumberOnly(bool v) {
  numberOnly_ = v;
  Recreate();
}

void TNumberEdit::Recreate() {
  if (!HandleAllocated()) return;
  // An up-down bound to this box has subclassed the box's window through the
  // common controls' subclass chain, which belongs to that window alone. The
  // re-creation must not carry the chain's procedure over to the new window
  // (it would call itself there): the old window gets the framework's
  // procedure back before it goes, and each up-down binds the new window.
  std::vector<TUpDown*> bound;
  if (Parent()) {
    for (TWinControl* c : Parent()->Controls()) {
      auto* ud = dynamic_cast<TUpDown*>(c);
      if (ud && ud->Associate() == this && ud->HandleAllocated()) bound.push_back(ud);
    }
  }
  if (!bound.empty()) {
    for (TUpDown* ud : bound) SendMessageW(ud->Handle(), UDM_SETBUDDY, 0, 0);
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ClassProc()));
  }
  RecreateWnd();
  for (TUpDown* ud : bound) ud->BuddyRecreated();
}
