// The main window's side of long work on the file: the progress sink that the
// engines report to, and the frame that shows it.
//
// WindowProgress (an engine::ProgressSink) sets the maximum and position of a
// progress bar, lets pending messages run after each step (so the abort
// button, repaint and other input are served while the GUI thread works), and
// answers the stop question from a flag that the abort button sets.
//
// WorkFrame shows the bar and the abort button (and their panel) with the
// hourglass for its lifetime and hides them again on every path out, the
// position back at 0.
//
// The typed in-place edits use both (FormTyping.cpp); the search, the whole-file
// conversion and the edit write-back can use them as they are.
#pragma once
#include <cstdint>
#include <functional>

#include "engine/Progress.h"
#include "framework/Cursor.h"

class TColorProgressBar;
class TSpeedButton;
class TWinControl;

namespace vastrel {

class WindowProgress : public engine::ProgressSink {
 public:
  // pump: lets pending messages run; empty: Application->ProcessMessages.
  WindowProgress(TColorProgressBar* bar, const bool& stopRequested, std::function<void()> pump = {});
  void SetMaximum(int64_t maximum) override;
  void Step(int64_t position) override;
  bool ShouldStop() override;

 private:
  TColorProgressBar* bar_;
  const bool& stop_;
  std::function<void()> pump_;
};

class WorkFrame {
 public:
  // panel (may be null) holds the bar and the button.
  WorkFrame(TWinControl* panel, TColorProgressBar* bar, TSpeedButton* abortButton);
  ~WorkFrame();
  WorkFrame(const WorkFrame&) = delete;
  WorkFrame& operator=(const WorkFrame&) = delete;

 private:
  TWinControl* panel_;
  TColorProgressBar* bar_;
  TSpeedButton* button_;
  bool panelWasVisible_;
  TCursorGuard hourglass_;
};

}  // namespace vastrel
