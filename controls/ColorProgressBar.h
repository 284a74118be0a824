// TColorProgressBar: a self-painted progress bar with an unsigned 64-bit range,
// so that long file operations report progress in bytes; and CalcPercent64, the
// whole percentage of two unsigned 64-bit numbers (text/MulDiv64.h).
//
// Painting: track, bar in one of five styles (PAINTTYPE), frame, an optional
// marker and an optional percentage text, into an off-screen bitmap copied to
// the screen in one step.
//
// Events and repaints of property writes (the control fires no events of its
// own; OnMouseDown/Move/Up come from the user only):
// - SetPosition, StepIt, StepBy repaint at once, synchronously, only when the
//   whole percentage done ((Position - Min) / (Max - Min)) changes; a position
//   equal to the current one changes nothing and paints nothing. So a loop may
//   set the position after every block.
// - SetMin and SetMax never repaint (SetMax(0) gives Max 1).
// - Every other setter invalidates (paints on the next message round).
// The percentage text and the bar length use Position / Max (ParValue); the
// repaint decision uses (Position - Min) / (Max - Min). All arithmetic on the
// 64-bit values is exact for the whole range. A negative Step steps back and
// stops at Min; a position below Min (after SetMin) counts as 0 % done.
#pragma once
#include <cstdint>
#include <string>
#include "controls/ControlTypes.h"
#include "framework/Control.h"
#include "text/MulDiv64.h"

using muldiv::CalcPercent64;

class TColorProgressBar : public TCustomControl {
 public:
  explicit TColorProgressBar(TWinControl* parent);
  ~TColorProgressBar() override;

  uint64_t Min() const { return min_; }
  uint64_t Max() const { return max_; }
  uint64_t Position() const { return position_; }
  int Step() const { return step_; }
  bool Smooth() const { return smooth_; }
  int BlockCount() const { return blockCount_; }
  TColor BoxColor() const { return boxColor_; }
  TColor BarColor() const { return barColor_; }
  TColor LineColor() const { return lineColor_; }
  PAINTTYPE BarStyle() const { return barStyle_; }
  int BlockSpace() const { return blockSpace_; }
  int WhiteLevel() const { return whiteLevel_; }
  int PrsLevel() const { return prsLevel_; }
  TProgressBarOrientation Orientation() const { return orientation_; }
  bool TextSwitch() const { return textSwitch_; }
  bool Flat() const { return flat_; }
  bool Shadow() const { return shadow_; }
  bool LineParVisible() const { return lineParVisible_; }
  int LinePar() const { return linePar_; }
  TColor LineParColor() const { return lineParColor_; }
  int ParValue() const { return parValue_; }

  void SetMin(uint64_t v);
  void SetMax(uint64_t v);
  void SetPosition(uint64_t v);
  void StepIt();
  void StepBy(uint64_t n);
  int GetPercentDone() const;
  void SetStep(int v);
  void SetSmooth(bool v);
  void SetOrientation(TProgressBarOrientation o);
  void SetBlockCount(int v);
  void SetWhiteLevel(int v);
  void SetPrsLevel(int v);
  void SetBoxColor(TColor c);
  void SetBarColor(TColor c);
  void SetLineColor(TColor c);
  void SetBarStyle(PAINTTYPE s);
  void SetShadow(bool v);
  void SetBlockSpace(int v);
  void SetTextSwitch(bool v);
  void SetFlat(bool v);
  void SetLineParVisible(bool v);
  void SetLinePar(int v);
  void SetLineParColor(TColor c);
  // Copies the font of the percentage text (Font() may also be changed directly).
  void SetFont(const TFont& f);

  // Paints the whole picture into the off-screen bitmap and copies it to the
  // window at once.
  void BarDraw();

  // GetSysColor of the low byte for a system colour; other colours unchanged.
  static TColor ChkSysColorToColor(TColor c);
  // Per channel b + ((a - b) * level) / 256 (arithmetic shift).
  static int GetAlphaColor(int a, int b, int level);

  // Number of paints so far (the synchronous repaints of SetPosition included).
  int PaintCount() const { return paintCount_; }

 protected:
  void Paint() override;
  void CreateParams(TCreateParams& p) override;

 private:
  void Render(int W, int H);
  void DeriveColors();
  void BarH(int s, int e, int H);
  void BarV(int top, int bottom, int W, int H);
  void Gradient(bool vertical, int first, int count, int dir, int from, int to, int hold, int W, int H);
  uint64_t min_ = 0, max_ = 100, position_ = 0;
  int step_ = 10;
  bool smooth_ = false;
  int blockCount_ = 10;
  TColor boxColor_, barColor_, lineColor_;
  PAINTTYPE barStyle_ = btSolid;
  int blockSpace_ = 1;
  int whiteLevel_ = 60, prsLevel_ = 20;
  TProgressBarOrientation orientation_ = pbHorizontal;
  bool textSwitch_ = false, flat_ = false, shadow_ = false, lineParVisible_ = false;
  int linePar_ = 50;
  TColor lineParColor_ = clRed;
  int parValue_ = 0;
  TColor topLineColor_ = clBlack;

  bool colorsChanged_ = true;
  COLORREF boxRGB_ = 0, barRGB_ = 0, lineRGB_ = 0, markerRGB_ = 0, light1_ = 0, light2_ = 0, darkEdge_ = 0;
  TBitmap bitmap_;
  int paintCount_ = 0;
};
