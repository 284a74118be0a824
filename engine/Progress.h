// The one way long file work reports progress and learns that the user
// wants it stopped. An engine calls SetMaximum once, then Step after each
// block with the position reached (in the same unit as the maximum), and
// asks ShouldStop after each block; it never pumps messages itself.
//
// The main window implements it with its progress bar, the abort button and
// a message pump; tests implement it with a fake that counts or stops at a
// chosen block.
#pragma once
#include <cstdint>

namespace engine {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetMaximum(int64_t maximum) = 0;
  virtual void Step(int64_t position) = 0;
  // True when the work should end now (the user pressed abort, the window closes).
  virtual bool ShouldStop() = 0;
};

// A sink that shows nothing and never stops.
class NullProgress : public ProgressSink {
 public:
  void SetMaximum(int64_t) override {}
  void Step(int64_t) override {}
  bool ShouldStop() override { return false; }
};

}  // namespace engine
