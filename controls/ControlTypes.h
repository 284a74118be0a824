// Enumerations shared by the program's own controls, and the colour helpers of
// their painting.
#pragma once
#include "framework/Graphics.h"

// Direction of a slider's track or of a progress bar's growth.
#ifndef VASTREL_PROGRESSBAR_ORIENTATION
#define VASTREL_PROGRESSBAR_ORIENTATION
enum TProgressBarOrientation { pbHorizontal, pbVertical };
#endif

// Caption placement.
enum ALIGN { psTop, psCenter, psBottom };
// Painting style of a progress bar.
enum PAINTTYPE { btSolid, btSolid2, btGradetion, btGradetion2, btWin7 };
// Modal result of a button, numbered like the form's modal results.
enum MODALRESULT { msNone, msOk, msCancel, msAbort, msRetry, msIgnore, msYes, msNo, msAll };
// Shape of the media-info and rounded buttons.
enum BTNSTYLE { btEllipse = 0, btRound = 1, btGraphic = 2 };

namespace ctlpaint {
// Channels of a colour value (red is the lowest byte).
inline int RedOf(COLORREF c) { return static_cast<int>(c & 0xFF); }
inline int GreenOf(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int BlueOf(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
inline COLORREF Pack(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
// Per channel b + ((a - b) * level) / 256, the division an arithmetic shift
// (rounding toward minus infinity); system colours are resolved first.
COLORREF AlphaColor(TColor a, TColor b, int level);
// Writes a pixel straight into a 32-bit bitmap (after GdiFlush).
inline void PutPixel(TBitmap& bmp, int x, int y, COLORREF c) {
  if (x < 0 || y < 0 || x >= bmp.Width() || y >= bmp.Height() || !bmp.Bits()) return;
  bmp.Bits()[static_cast<size_t>(y) * bmp.Width() + x] =
      static_cast<DWORD>(BlueOf(c) | (GreenOf(c) << 8) | (RedOf(c) << 16));
}
}  // namespace ctlpaint
