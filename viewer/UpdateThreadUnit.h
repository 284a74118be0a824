// The file-watch thread: it does no work of its own; until terminated it has
// the GUI thread run the main window's watch tick through the synchronise
// call, then sleeps its interval.
#pragma once
#include <atomic>
#include <functional>
#include "framework/Thread.h"

class TUpdateThread : public TThread {
 public:
  // The tick runs on the GUI thread; intervalMs is read before every sleep.
  explicit TUpdateThread(std::function<void()> tick) : tick_(std::move(tick)) {}
  // The body may still run: it ends before the members it uses go.
  ~TUpdateThread() override { StopAndWait(); }
  std::atomic<unsigned> IntervalMs{1000};

 protected:
  void Execute() override;

 private:
  std::function<void()> tick_;
};
