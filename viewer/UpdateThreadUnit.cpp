#include "viewer/UpdateThreadUnit.h"

void TUpdateThread::Execute() {
  while (CheckSuspended()) {
    if (tick_) Synchronize(tick_);
    if (!SleepUnlessTerminated(IntervalMs.load())) break;
  }
}
