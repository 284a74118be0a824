// The file watch's decision for one tick: what the viewer does after one look
// at the file it follows. No file is touched here; the caller looks at the
// file (only when MayLook allows it) and passes what it saw.
#pragma once
#include <cstdint>

namespace watchtick {

enum class Action {
  None,    // nothing: the page and the slider stay as they are
  Follow,  // the maximum becomes the size, the slider moves one position on (forward)
  Reshow,  // the file shrank or is another file: the page is shown again at the
           // position from the line start at or before it
  Empty,   // the file is empty now: an empty view
};

struct Input {
  bool buttonDown = false;   // watching is on
  bool mayRun = false;       // no long work, no edit dialog, no box or modal window, no tick running
  bool found = false;        // the file exists at the watched path
  bool opened = false;       // it could be opened (and its information read)
  bool sameIdentity = true;  // volume and file index as at the last look (true when none was taken yet)
  uint64_t writeTime = 0;    // its last-write time (FILETIME as a 64-bit count)
  uint64_t storedTime = 0;   // the last-write time of the last look that acted
  int64_t size = 0;          // its size, already held to what the viewer can show
  bool forced = false;       // the page routine asked for a tick
  int64_t maximum = 0;       // the slider's maximum (the size the view knows)
  int64_t position = 0;      // the slider's position
};

struct Result {
  Action action = Action::None;
  int64_t maximum = 0;   // the new slider maximum
  int64_t position = 0;  // the new slider position
  int step = 1;          // the slider step for the new maximum
  bool storeTime = false;  // storedTime := writeTime
};

// The slider step of a file of this size: 1 up to 32 bytes, else 32.
int StepFor(int64_t size);

// Whether the tick may look at the file at all.
inline bool MayLook(bool buttonDown, bool mayRun) { return buttonDown && mayRun; }

Result Decide(const Input& in);

}  // namespace watchtick
