#include "controls/ControlTypes.h"

namespace ctlpaint {
namespace {
// A level above 256 extrapolates; the channel is kept to 0..255 so that it
// cannot spill into its neighbour.
int Blend(int a, int b, int level) {
  int v = b + (((a - b) * level) >> 8);
  return v < 0 ? 0 : v > 255 ? 255 : v;
}
}  // namespace

COLORREF AlphaColor(TColor a, TColor b, int level) {
  COLORREF ca = ColorToRGB(a), cb = ColorToRGB(b);
  return Pack(Blend(RedOf(ca), RedOf(cb), level), Blend(GreenOf(ca), GreenOf(cb), level),
              Blend(BlueOf(ca), BlueOf(cb), level));
}
}  // namespace ctlpaint
