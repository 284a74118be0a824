// The file watch's decision per tick: when it looks, what it does for a file
// that is unchanged, grown, touched, shrunk, emptied or replaced, and where
// the slider goes.
#include <gtest/gtest.h>

#include "text/WatchTick.h"

namespace {

using watchtick::Action;

// A watched file of 1000 bytes shown at 500, last seen at time 77.
watchtick::Input Base() {
  watchtick::Input in;
  in.buttonDown = true;
  in.mayRun = true;
  in.found = true;
  in.opened = true;
  in.sameIdentity = true;
  in.writeTime = 77;
  in.storedTime = 77;
  in.size = 1000;
  in.maximum = 1000;
  in.position = 500;
  return in;
}

TEST(WatchTick, LooksOnlyWhileWatchingAndNothingElseRuns) {
  EXPECT_TRUE(watchtick::MayLook(true, true));
  EXPECT_FALSE(watchtick::MayLook(false, true));
  EXPECT_FALSE(watchtick::MayLook(true, false));
  EXPECT_FALSE(watchtick::MayLook(false, false));
}

TEST(WatchTick, DecisionTable) {
  struct Case {
    const char* what;
    void (*change)(watchtick::Input&);
    Action action;
    int64_t maximum, position;
    int step;
    bool storeTime;
  } cases[] = {
      {"unchanged", [](watchtick::Input&) {}, Action::None, 1000, 500, 32, false},
      {"button up", [](watchtick::Input& i) { i.buttonDown = false, i.size = 2000, i.writeTime = 90; },
       Action::None, 1000, 500, 32, false},
      {"guard busy", [](watchtick::Input& i) { i.mayRun = false, i.size = 2000, i.writeTime = 90; }, Action::None,
       1000, 500, 32, false},
      {"not found", [](watchtick::Input& i) { i.found = false, i.forced = true; }, Action::None, 1000, 500, 32, false},
      {"not opened", [](watchtick::Input& i) { i.opened = false, i.size = 2000; }, Action::None, 1000, 500, 32, false},
      {"time zero, forced", [](watchtick::Input& i) { i.writeTime = 0, i.forced = true, i.size = 1200; },
       Action::None, 1000, 500, 32, false},
      // Grown: the maximum follows, one position on.
      {"grown, later time", [](watchtick::Input& i) { i.size = 1040, i.writeTime = 78; }, Action::Follow, 1040, 501,
       32, true},
      // Grown within one time granule: the size alone tells.
      {"grown, same time", [](watchtick::Input& i) { i.size = 1040; }, Action::Follow, 1040, 501, 32, true},
      // Touched only: one position on as well.
      {"later time only", [](watchtick::Input& i) { i.writeTime = 78; }, Action::Follow, 1000, 501, 32, true},
      {"earlier time", [](watchtick::Input& i) { i.writeTime = 70; }, Action::Follow, 1000, 501, 32, true},
      {"forced", [](watchtick::Input& i) { i.forced = true; }, Action::Follow, 1000, 501, 32, true},
      // Never past the usable end (maximum less one step).
      {"at the end", [](watchtick::Input& i) { i.position = 968, i.forced = true; }, Action::Follow, 1000, 968, 32,
       true},
      {"grown by little at the end", [](watchtick::Input& i) { i.position = 968, i.size = 1001; }, Action::Follow,
       1001, 969, 32, true},
      // A small file: the step is 1.
      {"small file grows", [](watchtick::Input& i) { i.maximum = 10, i.position = 9, i.size = 20; }, Action::Follow, 20,
       10, 1, true},
      {"small grows past 32", [](watchtick::Input& i) { i.maximum = 30, i.position = 29, i.size = 40; },
       Action::Follow, 40, 8, 32, true},
      {"tiny file", [](watchtick::Input& i) { i.maximum = 0, i.position = 0, i.size = 1; }, Action::Follow, 1, 0, 1,
       true},
      // Shrunk: held below the usable end, shown again from a line start.
      {"shrunk below position", [](watchtick::Input& i) { i.size = 300; }, Action::Reshow, 300, 267, 32, true},
      {"shrunk above position", [](watchtick::Input& i) { i.size = 900; }, Action::Reshow, 900, 500, 32, true},
      {"shrunk to small", [](watchtick::Input& i) { i.size = 5; }, Action::Reshow, 5, 3, 1, true},
      {"shrunk to one byte", [](watchtick::Input& i) { i.size = 1; }, Action::Reshow, 1, 0, 1, true},
      {"shrunk to nothing", [](watchtick::Input& i) { i.size = 0; }, Action::Empty, 0, 0, 1, true},
      {"empty and touched", [](watchtick::Input& i) { i.size = 0, i.maximum = 0, i.position = 0, i.writeTime = 80; },
       Action::Empty, 0, 0, 1, true},
      {"empty, unchanged", [](watchtick::Input& i) { i.size = 0, i.maximum = 0, i.position = 0; }, Action::None, 0, 0,
       1, false},
      // Another file at the path: shown again even when it is as long.
      {"replaced, same size", [](watchtick::Input& i) { i.sameIdentity = false; }, Action::Reshow, 1000, 500, 32,
       true},
      {"replaced, longer", [](watchtick::Input& i) { i.sameIdentity = false, i.size = 5000; }, Action::Reshow, 5000,
       500, 32, true},
      {"replaced, shorter", [](watchtick::Input& i) { i.sameIdentity = false, i.size = 100; }, Action::Reshow, 100, 67,
       32, true},
      {"negative position", [](watchtick::Input& i) { i.position = -5, i.size = 600; }, Action::Reshow, 600, 0, 32,
       true},
  };
  for (const Case& c : cases) {
    watchtick::Input in = Base();
    c.change(in);
    const watchtick::Result r = watchtick::Decide(in);
    EXPECT_EQ(r.action, c.action) << c.what;
    EXPECT_EQ(r.maximum, c.maximum) << c.what;
    EXPECT_EQ(r.position, c.position) << c.what;
    EXPECT_EQ(r.step, c.step) << c.what;
    EXPECT_EQ(r.storeTime, c.storeTime) << c.what;
  }
}

}  // namespace
