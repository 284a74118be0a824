#include "viewer/WorkProgress.h"

#include <vector>

#include "controls/ColorProgressBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Cursor.h"
#include "viewer/DrawingOff.h"

namespace vastrel {

unsigned WorkProgress::PumpIntervalMs = 25;

WorkProgress::WorkProgress(TColorProgressBar* bar, const bool& stop, std::function<void()> pump)
    : bar_(bar), stop_(stop), pump_(std::move(pump)) {}

void WorkProgress::SetMaximum(int64_t maximum) {
  if (bar_) {
    bar_->SetMax(maximum > 0 ? static_cast<uint64_t>(maximum) : 1);
    bar_->SetPosition(0);
  }
}

void WorkProgress::Step(int64_t position) {
  // The bar paints at once when its whole percentage changes: it is given
  // the position when messages are pumped, not per block.
  position_ = position > 0 ? position : 0;
  PumpIfDue();
}

bool WorkProgress::ShouldStop() {
  PumpIfDue();
  return stop_ || Application->Terminated();
}

void WorkProgress::PumpIfDue() {
  const DWORD now = clock ? clock() : GetTickCount();
  if (!started_) {
    // The interval counts from the first block.
    started_ = true;
    lastPump_ = now;
    if (PumpIntervalMs > 0) return;
  } else if (now - lastPump_ < PumpIntervalMs) {
    return;
  }
  lastPump_ = now;
  if (bar_ && position_ >= 0) bar_->SetPosition(static_cast<uint64_t>(position_));
  if (pumps_++ == 0 && onFirstPump) onFirstPump();
  if (pump_)
    pump_();
  else
    Application->ProcessMessages();
}

void WorkProgress::Relay::ShowOn(TColorProgressBar* bar) const {
  if (!bar) return;
  const int64_t m = max_.load(std::memory_order_relaxed);
  if (m >= 0) {
    const uint64_t max = m > 0 ? static_cast<uint64_t>(m) : 1;
    if (bar->Max() != max) bar->SetMax(max);
  }
  const int64_t p = pos_.load(std::memory_order_relaxed);
  bar->SetPosition(p > 0 ? static_cast<uint64_t>(p) : 0);
}

void ShowAligned(TWinControl* control, bool shown) {
  if (!control || control->Visible() == shown) return;
  TWinControl* parent = control->Parent();
  std::vector<std::unique_ptr<DrawingOff>> quiet;
  if (parent && control->Align() != alNone) {
    for (TWinControl* c : parent->Controls()) {
      const TAlign a = c->Align();
      if (c != control && c->HandleAllocated() && (a == alLeft || a == alRight || a == alClient))
        quiet.emplace_back(new DrawingOff(c->Handle()));
    }
  }
  control->SetVisible(shown);
  for (auto& q : quiet) {
    const HWND w = q->window();
    q.reset();
    if (w) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

WorkFrame::WorkFrame(TWinControl* panel, TColorProgressBar* bar, TSpeedButton* abortButton)
    : panel_(panel),
      bar_(bar),
      button_(abortButton),
      panelWasVisible_(panel && panel->Visible()),
      hourglass_(new TCursorGuard(crHourGlass)) {
  if (bar_) {
    bar_->SetPosition(0);
    bar_->SetVisible(true);
  }
  if (button_) button_->SetVisible(true);
  ShowAligned(panel_, true);
}

WorkFrame::~WorkFrame() {
  if (bar_) {
    bar_->SetPosition(0);
    bar_->SetVisible(false);
  }
  if (button_) button_->SetVisible(false);
  if (!panelWasVisible_) ShowAligned(panel_, false);
}

}  // namespace vastrel
