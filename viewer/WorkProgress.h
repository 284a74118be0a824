// The main window's side of long work on the file: the one progress sink that
// every engine reports to (search, line index, jumps, conversion, tail moves,
// backup copies), and the frame that shows it.
//
// WorkProgress (an engine::ProgressSink, GUI thread) sets the maximum and
// position of a progress bar and lets pending messages run, so that the abort
// button, a close request, repaint and other input are served while the GUI
// thread works. Messages are pumped by time, not per block: at most once every
// PumpIntervalMs milliseconds, whatever the block size, so that fast blocks
// pay no message loop each. The stop question is answered from a flag that the
// abort button and a close request set (and from the application's quit).
//
// WorkProgress::Relay is the sink of work on a thread of its own (the line
// index): the worker only stores its maximum and position in atomics and reads
// its stop question from its own flags; the window moves the bar to what it
// holds at its own pace (a timer calling ShowOn). No call waits for the GUI
// thread.
//
// WorkFrame shows the bar and the abort button (and their panel) with the
// hourglass for its lifetime and hides them again on every path out, the
// position back at 0. The panel is shown and hidden by ShowAligned.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/Progress.h"

class TColorProgressBar;
class TCursorGuard;
class TSpeedButton;
class TWinControl;

namespace vastrel {

class WorkProgress : public engine::ProgressSink {
 public:
  // stop: set by the abort button and by a close request. pump: lets pending
  // messages run; empty: Application->ProcessMessages.
  WorkProgress(TColorProgressBar* bar, const bool& stop, std::function<void()> pump = {});
  void SetMaximum(int64_t maximum) override;
  void Step(int64_t position) override;
  bool ShouldStop() override;

  // Milliseconds between two message pumps (0: after every block).
  static unsigned PumpIntervalMs;
  // The clock the pumps are timed by (milliseconds); empty: GetTickCount.
  std::function<DWORD()> clock;
  // Called once, before the first pump (a job that shows its frame only
  // when it runs long enough to need it).
  std::function<void()> onFirstPump;
  int pumps() const { return pumps_; }

  class Relay : public engine::ProgressSink {
   public:
    // stop is asked on the worker thread.
    explicit Relay(std::function<bool()> stop) : stop_(std::move(stop)) {}
    void SetMaximum(int64_t maximum) override { max_.store(maximum, std::memory_order_relaxed); }
    void Step(int64_t position) override { pos_.store(position, std::memory_order_relaxed); }
    bool ShouldStop() override { return stop_ && stop_(); }
    // GUI thread: the bar shows what the worker reported last.
    void ShowOn(TColorProgressBar* bar) const;
    int64_t Position() const { return pos_.load(std::memory_order_relaxed); }

   private:
    std::function<bool()> stop_;
    std::atomic<int64_t> max_{-1}, pos_{0};
  };

 private:
  void PumpIfDue();
  TColorProgressBar* bar_;
  const bool& stop_;
  std::function<void()> pump_;
  DWORD lastPump_ = 0;
  int64_t position_ = -1;  // the newest position, shown on the bar at the next pump
  bool started_ = false;
  int pumps_ = 0;
};

// Shows or hides a control aligned in its parent (the work panel at the
// window's foot). The neighbours that it resizes are resized with drawing off
// in them and repainted once afterwards: an edit control in there would
// otherwise lay out and draw its whole page on the way, which costs tens of
// milliseconds each time a job starts and ends.
void ShowAligned(TWinControl* control, bool shown);

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
  std::unique_ptr<TCursorGuard> hourglass_;
};

}  // namespace vastrel
