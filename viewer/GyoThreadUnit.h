// The line-index build of the open file on a thread of its own: the engine's
// builder reporting through a progress relay (atomics only: the thread never
// waits for the GUI thread while it reads). The main window creates it
// suspended, sets OnTerminate (which takes the records on the GUI thread) and
// resumes it, and moves its progress bar to what Progress holds on a timer;
// the thread frees itself after that.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/LineIndex.h"
#include "framework/Thread.h"
#include "viewer/WorkProgress.h"

class TGyoThread : public TThread {
 public:
  TGyoThread(std::wstring path, int textCode, int64_t progressMax, bool littleEndian, bool lone, int buildNumber);
  ~TGyoThread() override;

  void SetCancelled(bool v) { cancelled_ = v; }
  bool IsCancelled() const { return cancelled_; }

  // What was built; read only in OnTerminate (after the body ended).
  engine::CheckpointList Records;
  engine::LineMarks Marks;
  engine::LineIndexResult Result;
  const std::wstring Path;
  const int BuildNumber;
  // The maximum once, then the bytes scanned; stop when cancelled or terminated.
  vastrel::WorkProgress::Relay Progress;
  // Bytes per read (tests make it small).
  size_t Chunk = 1u << 20;

 protected:
  void Execute() override;

 private:
  const int textCode_;
  const int64_t progressMax_;
  const bool littleEndian_, lone_;
  std::atomic<bool> cancelled_{false};
};
