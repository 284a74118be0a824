// TNumberEdit: a one-line edit box with a text alignment and an optional
// digits-only mode (the system's ES_NUMBER style: it refuses typed non-digits,
// while pasted text and text set by the program are taken as they are; users
// of the box check the value themselves).
//
// Events: as TEdit (OnChange on user edits only). SetAlignment and
// SetNumberOnly make the window again when it exists (text, font, focus and an
// attached up-down are kept); they fire nothing.
#pragma once
#include "framework/StdCtrls.h"

enum ALIGNMENT { etLeftJustify = 0, etCenter = 1, etRightJustify = 2 };

class TNumberEdit : public TEdit {
 public:
  explicit TNumberEdit(TWinControl* parent);

  ALIGNMENT Alignment() const { return alignment_; }
  void SetAlignment(ALIGNMENT a);
  bool NumberOnly() const { return numberOnly_; }
  void SetNumberOnly(bool v);

 protected:
  void CreateParams(TCreateParams& p) override;

 private:
  void Recreate();
  ALIGNMENT alignment_ = etRightJustify;
  bool numberOnly_ = false;
};
