#include "viewer/WorkProgress.h"

#include "controls/ColorProgressBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"

namespace vastrel {

WindowProgress::WindowProgress(TColorProgressBar* bar, const bool& stopRequested, std::function<void()> pump)
    : bar_(bar), stop_(stopRequested), pump_(std::move(pump)) {}

void WindowProgress::SetMaximum(int64_t maximum) {
  if (bar_) {
    bar_->SetMax(maximum > 0 ? static_cast<uint64_t>(maximum) : 0);
    bar_->SetPosition(0);
  }
}

void WindowProgress::Step(int64_t position) {
  if (bar_) bar_->SetPosition(position > 0 ? static_cast<uint64_t>(position) : 0);
  if (pump_) pump_();
  else Application->ProcessMessages();
}

bool WindowProgress::ShouldStop() { return stop_; }

WorkFrame::WorkFrame(TWinControl* panel, TColorProgressBar* bar, TSpeedButton* abortButton)
    : panel_(panel), bar_(bar), button_(abortButton), panelWasVisible_(panel && panel->Visible()) {
  if (bar_) {
    bar_->SetPosition(0);
    bar_->SetVisible(true);
  }
  if (button_) button_->SetVisible(true);
  if (panel_) panel_->SetVisible(true);
}

WorkFrame::~WorkFrame() {
  if (bar_) {
    bar_->SetPosition(0);
    bar_->SetVisible(false);
  }
  if (button_) button_->SetVisible(false);
  if (panel_ && !panelWasVisible_) panel_->SetVisible(false);
}

}  // namespace vastrel
