// TColorDBNavigator: the record navigator's face (first, prior, next, last,
// insert, delete, edit, post, cancel, refresh) painted on its Color. It has
// no data layer: it only shows the buttons on the colour its creator picks.
#pragma once
#include "framework/Control.h"

class TColorDBNavigator : public TCustomControl {
 public:
  explicit TColorDBNavigator(TWinControl* parent);
  static const int kButtons = 10;

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
};
