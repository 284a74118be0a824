#include "text/WatchTick.h"

#include <algorithm>

namespace watchtick {

int StepFor(int64_t size) { return size <= 32 ? 1 : 32; }

Result Decide(const Input& in) {
  Result r;
  r.maximum = in.maximum;
  r.position = in.position;
  r.step = StepFor(in.maximum);
  if (!MayLook(in.buttonDown, in.mayRun)) return r;
  // A file that is gone or held without read sharing is looked at again next
  // time; a last-write time of zero says nothing, a forced tick included.
  if (!in.found || !in.opened || in.writeTime == 0) return r;

  const int64_t size = std::max<int64_t>(0, in.size);
  const bool changed = !in.sameIdentity || size != in.maximum || in.writeTime != in.storedTime || in.forced;
  if (!changed) return r;
  const int step = StepFor(size);
  r.storeTime = true;
  r.maximum = size;
  r.step = step;
  if (size == 0) {
    r.action = Action::Empty;
    r.position = 0;
    return r;
  }
  if (!in.sameIdentity || size < in.maximum) {
    // Shrunk or replaced: the old page may show text that is no longer
    // there. The position stays below the usable end, so that the line start
    // found at or before it always shows a page.
    r.action = Action::Reshow;
    r.position = std::min(std::max<int64_t>(0, in.position), std::max<int64_t>(0, size - step - 1));
    return r;
  }
  r.action = Action::Follow;
  int64_t p = in.position + 1;
  if (p > size - step) p = size - step;
  if (p < 0) p = 0;
  r.position = p;
  return r;
}

}  // namespace watchtick
