// Pieces shared by the spare controls: the vertical gradient ramp, the caption
// row, hit masks as boolean grids, the toggle-group rules and a few drawing
// helpers that the framework's canvas does not offer (pie, arc, polyline).
#pragma once
#include <windows.h>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>
#include "controls/ControlTypes.h"
#include "framework/Control.h"

namespace spare {

// A channel above the threshold lowered by it (c > t ? c - t : c).
inline int Lowered(int channel, int threshold) { return channel > threshold ? channel - threshold : channel; }

// The vertical gradient of the self-painted faces: the start colour is the
// given colour (system colours resolved) with each channel lowered by each
// threshold in turn; every line is start + amount per channel, cut to an
// integer; after a line the amount of a channel grows by
// s = 150 / (crossSize * 0.5), at least 1, only while start + amount + s stays
// below 255.
class GradientRamp {
 public:
  GradientRamp(TColor color, std::initializer_list<int> thresholds, int crossSize);
  COLORREF Color() const;
  void Advance();
  double Step() const { return step_; }

 private:
  int start_[3];
  double amount_[3] = {0, 0, 0};
  double step_;
};

// Caption row for ALIGN: q = H / 4, f = fontHeight / 2 (toward zero); psTop
// q + f, psCenter H / 2 + f, psBottom 3q + f. The shift form uses arithmetic
// shifts (rounding down) in place of the divisions.
int TextPosition(ALIGN align, int height, int fontHeight);
int TextPositionShift(ALIGN align, int height, int fontHeight);

// A hit mask: a grid of on/off points.
struct HitGrid {
  int w = 0, h = 0;
  std::vector<unsigned char> on;
  void Resize(int width, int height, bool value);
  bool At(int x, int y) const { return on[static_cast<size_t>(y) * w + x] != 0; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

// The quarter-size mask of a shaped button: Width / 4 x Height / 4, off
// everywhere but a white ellipse (btEllipse) or a rounded rectangle of the same
// box with corner roundSize / 4 (btRound, and btGraphic when graphicFace);
// nothing for btGraphic otherwise.
HitGrid QuarterMask(BTNSTYLE style, int width, int height, int roundSize, bool graphicFace);

// The media-info rule: on where the quarter mask is on; negative points and
// points outside the mask are off.
bool MediaMaskOn(const HitGrid& mask, int x, int y);
// The rounded-button rule: outside the control's rectangle a point is on;
// inside, the mask index is held to the last column and row of the mask (an
// empty mask counts as on).
bool RoundMaskOn(const HitGrid& mask, int width, int height, int x, int y);

// ---- toggle groups

// What a bitmap button shows: its Down state, the pressed look and the cell.
struct CellState {
  bool down = false;
  bool pressed = false;
  int cell = 1;
};
// Left release on a bitmap button.
CellState BitmapUpPrg(CellState s, int groupIndex, bool allowAllUp, int numGlyphs);
// SetDown of a bitmap button (firstSet: the first assignment after creation or a resize).
CellState BitmapSetDown(CellState s, bool firstSet, bool value, int groupIndex, bool allowAllUp, int numGlyphs);
// Down of a media-info button after a left press.
bool MediaPressDown(bool down, int groupIndex, bool allowAllUp);
// Down of a media-info button after SetDown.
bool MediaSetDown(bool down, bool firstSet, bool value, int groupIndex, bool allowAllUp);

// Registers (once) className as a copy of a native window class (its
// procedure, styles and cursor) under this module, so that a control built on
// a native control has a window class named as the control; returns the name.
std::wstring NativeCopyClass(const wchar_t* nativeClass, const wchar_t* className);

// Whether the control's window is of the class className exactly.
bool WindowClassIs(TWinControl* c, const wchar_t* className);

// The buttons of parent whose window class name is exactly className and whose
// group index (read through groupOf) equals groupIndex, other than self: the
// peers a grouped button releases.
template <class T, class G>
std::vector<T*> GroupPeers(T* self, const wchar_t* className, int groupIndex, G groupOf) {
  std::vector<T*> out;
  TWinControl* parent = self->Parent();
  if (!parent || groupIndex == 0) return out;
  for (size_t i = 0; i < parent->Controls().size(); ++i) {
    TWinControl* c = parent->Controls()[i];
    if (c == self) continue;
    auto* t = dynamic_cast<T*>(c);
    if (!t || !WindowClassIs(c, className)) continue;
    if (groupOf(t) != groupIndex) continue;
    out.push_back(t);
  }
  return out;
}

// ---- drawing with the canvas's pen and brush

// Selects the canvas's pen and brush (bsClear: a hollow brush) into its DC for
// the lifetime of the object.
class PenBrush {
 public:
  explicit PenBrush(TCanvas& c);
  ~PenBrush();
  PenBrush(const PenBrush&) = delete;
  PenBrush& operator=(const PenBrush&) = delete;
  HDC dc;

 private:
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};
void Pie(TCanvas& c, int l, int t, int r, int b, int x1, int y1, int x2, int y2);
void Arc(TCanvas& c, int l, int t, int r, int b, int x1, int y1, int x2, int y2);
void Polyline(TCanvas& c, const std::vector<POINT>& points);
// Draws a code page 932 text at (x, y) in colour with the canvas's font.
void TextAt(TCanvas& c, int x, int y, const std::string& text, TColor color);
int TextWidth(TCanvas& c, const std::string& text);
int TextHeight(TCanvas& c, const std::string& text);

}  // namespace spare
