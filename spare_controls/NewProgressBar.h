// TNewProgressBar: a self-painted progress bar of an unsigned 64-bit position
// between Min and Max in one of five kinds (percentage text, horizontal bar,
// vertical bar, pie, needle), each with an optional centred percentage text;
// and TSubsBitmap, the bitmap of its drawing overlay.
//
// Repaints of property writes: SetProgress and StepBy repaint at once, only
// when the whole percentage done ((Position - Min) / (Max - Min)) changes;
// SetMinValue, SetMaxValue and the kind, text, border and colour setters
// repaint at once; the bar-shape setters invalidate. The control fires no
// events. The bar measures Position against Max alone; the text shows the
// percentage done.
//
// SetMinValue and SetMaxValue throw EProgressRange (code page 932 message)
// for a value outside the range and change nothing.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include "controls/ControlTypes.h"
#include "framework/Control.h"
#include "framework/Form.h"

enum TProgressKind { iuText, iuHorizontalBar, iuVerticalBar, iuPie, iuNeedle };

class EProgressRange : public std::runtime_error {
 public:
  explicit EProgressRange(const std::string& messageCp932) : std::runtime_error(messageCp932) {}
};

// The overlay: SizeLike takes the model's size and fills it with clWindowFrame.
class TSubsBitmap : public TBitmap {
 public:
  void SizeLike(const TBitmap& model);
};

class TNewProgressBar : public TCustomControl {
 public:
  explicit TNewProgressBar(TWinControl* parent);
  ~TNewProgressBar() override;

  uint64_t Min() const { return min_; }
  uint64_t Max() const { return max_; }
  uint64_t Position() const { return position_; }
  TProgressKind Kind() const { return kind_; }
  bool ShowText() const { return showText_; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  TColor ForeColor() const { return foreColor_; }
  TColor BackColor() const { return backColor_; }
  PAINTTYPE BarStyle() const { return barStyle_; }
  bool Smooth() const { return smooth_; }
  int BlockCount() const { return blockCount_; }
  int BlockSpace() const { return blockSpace_; }

  void SetMinValue(uint64_t v);
  void SetMaxValue(uint64_t v);
  void SetProgress(uint64_t v);
  // Position + delta, saturated at Min and Max.
  void StepBy(long delta);
  void SeTCGaugeKind(TProgressKind k);
  void SetShowText(bool v);
  void SetBorderStyle(TBorderStyle b);
  void SetForeColor(TColor c);
  void SetBackColor(TColor c);
  void SetBarStyle(PAINTTYPE s);
  void SetSmooth(bool v);
  void SetBlockCount(int v);
  void SetBlockSpace(int v);

  // CalcPercent64(Position - Min, Max - Min).
  int GetPercentDone() const;

  // The range error text for the two numbers (unsigned 64-bit decimals, or the
  // fixed signed ends).
  static std::string RangeMessage(const std::string& low, const std::string& high);
  // Position + delta held to [min, max] without wrapping.
  static uint64_t Stepped(uint64_t position, long delta, uint64_t min, uint64_t max);
  // Number of blocks shown: block i (1-based) shows when i * 100 / blockCount
  // is not above the whole percent p (exact comparison).
  static int BlocksShown(int blockCount, int percent);

  // Drawing routines (exported for users that draw the kinds themselves).
  void PaintBackground(TBitmap& bmp);
  void PaintAsText(TBitmap& bmp, const RECT& area);
  void PaintAsNothing(TBitmap& bmp, const RECT& area);
  void PaintAsBar(TBitmap& bmp, const RECT& area);
  void PaintAsPie(TBitmap& bmp, const RECT& area);
  void PaintAsNeedle(TBitmap& bmp, const RECT& area);
  void BarDraw(TBitmap& overlay);
  void DrawHorizontal(TBitmap& overlay, int blue, int green, int red, int x1, int x2);
  void DrawVertical(TBitmap& overlay, int blue, int green, int red, int bottom, int top);

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;

 private:
  int BarPercent() const;  // Position * 100 / Max, exact
  uint64_t min_ = 0, max_ = 100, position_ = 0;
  TProgressKind kind_ = iuHorizontalBar;
  bool showText_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  TColor foreColor_ = clBlack;
  TColor backColor_ = clWhite;
  PAINTTYPE barStyle_ = btSolid;
  bool smooth_ = false;
  int blockCount_ = 10;
  int blockSpace_ = 1;
};
