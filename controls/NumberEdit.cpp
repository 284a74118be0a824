#include "controls/NumberEdit.h"
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
  RecreateWnd();
  // An up-down bound to this box points at the old window: bind it again.
  if (Parent()) {
    for (TWinControl* c : Parent()->Controls()) {
      if (auto* ud = dynamic_cast<TUpDown*>(c)) {
        if (ud->Associate() == this) ud->BuddyRecreated();
      }
    }
  }
}
