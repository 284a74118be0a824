// The line-index build of the open file on a thread of its own: the engine's
// builder with progress through the synchronise call. The main window creates
// it suspended, sets OnTerminate (which takes the records on the GUI thread)
// and resumes it; the thread frees itself after that.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/LineIndex.h"
#include "framework/Thread.h"

class TGyoThread : public TThread {
 public:
  TGyoThread(std::wstring path, int textCode, int64_t progressMax, bool littleEndian, bool lone, int buildNumber);
  ~TGyoThread() override;

  void SetCancelled(bool v) { cancelled_ = v; }
  bool IsCancelled() const { return cancelled_; }

  // What was built; read only in OnTerminate (after the body ended).
  engine::CheckpointList Records;
  engine::LineIndexResult Result;
  const std::wstring Path;
  const int BuildNumber;
  // Run on the GUI thread: the progress maximum once, then the bytes scanned.
  std::function<void(int64_t)> OnProgressMax, OnProgress;
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
