// Key-down decisions of the text views and the menu states, with and without
// long work running.
#include <gtest/gtest.h>

#include "viewer/KeyCommands.h"
#include "viewer/MenuState.h"

using namespace vastrel;

namespace {

struct KeyCase {
  const char* what;
  bool pane;
  int vk;
  bool ctrl, shift, fileOpen, lock, idle;
  ViewCommand command;
  bool refused, navigate, moveSelStart;
};

TEST(ViewKeys, Decisions) {
  using C = ViewCommand;
  const KeyCase cases[] = {
      {"F3", true, 0x72, false, false, true, false, true, C::FindNext, false, true, true},
      {"F3 without file", true, 0x72, false, false, false, false, true, C::FindNext, false, false, false},
      {"F3 during work", true, 0x72, false, false, true, false, false, C::None, true, true, true},
      {"no file", true, 0x28, false, false, false, false, true, C::None, false, false, false},
      {"Ctrl+O", true, 'O', true, false, true, false, true, C::Open, false, false, false},
      {"Ctrl+O during work", true, 'O', true, false, true, false, false, C::None, true, false, false},
      {"Ctrl+E during work", true, 'E', true, false, true, false, false, C::None, true, false, false},
      {"Ctrl+R", true, 'R', true, false, true, false, true, C::SelectToLineBreak, false, false, false},
      {"Ctrl+Down stops", true, 0x28, true, false, true, false, true, C::None, false, false, false},
      {"Backspace", true, 8, false, false, true, false, true, C::Backspace, false, true, false},
      {"Backspace locked", true, 8, false, false, true, true, true, C::None, false, true, true},
      {"Backspace during work", true, 8, false, false, true, false, false, C::None, true, true, false},
      {"Delete", true, 0x2E, false, false, true, false, true, C::Delete, false, false, false},
      {"Delete during work", true, 0x2E, false, false, true, false, false, C::None, true, false, false},
      {"Enter", true, 13, false, false, true, false, true, C::Enter, false, true, false},
      {"Shift+Enter is no edit", true, 13, false, true, true, false, true, C::None, false, true, false},
      {"Shift+Down keeps SelStart", true, 0x28, false, true, true, false, true, C::None, false, true, false},
      {"Down", true, 0x28, false, false, true, false, true, C::None, false, true, true},
      {"memo Backspace ends", false, 8, false, false, true, false, true, C::Backspace, false, false, false},
      {"memo Enter ends", false, 13, false, false, true, false, true, C::Enter, false, false, false},
      {"memo Up", false, 0x26, false, false, true, false, true, C::None, false, true, true},
      {"memo Delete during work", false, 0x2E, false, false, true, false, false, C::None, true, false, false},
  };
  for (const KeyCase& c : cases) {
    const KeyDecision d = DecideViewKeyDown(c.pane, c.vk, c.ctrl, c.shift, c.fileOpen, c.lock, c.idle);
    EXPECT_EQ(d.command, c.command) << c.what;
    EXPECT_EQ(d.refused, c.refused) << c.what;
    EXPECT_EQ(d.navigate, c.navigate) << c.what;
    EXPECT_EQ(d.moveSelStart, c.moveSelStart) << c.what;
  }
}

MenuInputs Ready() {
  MenuInputs in;
  in.hasLines = true;
  in.fileExists = true;
  in.backupExists = true;
  in.searchTextEmpty = false;
  in.viewHasSelection = true;
  return in;
}

TEST(MenuState, ReadyFileEnablesEverything) {
  const MenuState m = ComputeMenuState(Ready());
  EXPECT_TRUE(m.convertEnabled);
  EXPECT_TRUE(m.undoVisible && m.undoEnabled);
  EXPECT_TRUE(m.selectEnabled);
  EXPECT_TRUE(m.editEnabled);
  EXPECT_TRUE(m.findEnabled && m.findNextEnabled);
  EXPECT_TRUE(m.popupEditEnabled && m.bookmarkEnabled && m.deleteEnabled && m.copyVisible);
  EXPECT_FALSE(m.pasteVisible);
}

TEST(MenuState, LongWorkDisablesEveryFileCommand) {
  MenuInputs in = Ready();
  in.workIdle = false;
  const MenuState m = ComputeMenuState(in);
  EXPECT_FALSE(m.convertEnabled);
  EXPECT_FALSE(m.undoEnabled);
  EXPECT_FALSE(m.selectEnabled);
  EXPECT_FALSE(m.editEnabled);
  EXPECT_FALSE(m.findEnabled);
  EXPECT_FALSE(m.findNextEnabled);
  EXPECT_FALSE(m.popupEditEnabled);
  EXPECT_FALSE(m.deleteEnabled);
  // Reading the position or copying changes nothing in the file.
  EXPECT_TRUE(m.bookmarkEnabled);
  EXPECT_TRUE(m.copyVisible);
}

TEST(MenuState, ConditionsOfTheTable) {
  MenuInputs in = Ready();
  in.crlfTicked = true;
  EXPECT_FALSE(ComputeMenuState(in).editEnabled);
  EXPECT_TRUE(ComputeMenuState(in).popupEditEnabled);
  in = Ready();
  in.watching = true;
  EXPECT_FALSE(ComputeMenuState(in).editEnabled);
  EXPECT_FALSE(ComputeMenuState(in).popupEditEnabled);
  in = Ready();
  in.csvTicked = true;
  EXPECT_FALSE(ComputeMenuState(in).editEnabled);
  in = Ready();
  in.lineThreadIdle = false;
  EXPECT_FALSE(ComputeMenuState(in).convertEnabled);
  in = Ready();
  in.hasLines = false;
  EXPECT_FALSE(ComputeMenuState(in).selectEnabled);
  EXPECT_FALSE(ComputeMenuState(in).bookmarkEnabled);
  EXPECT_FALSE(ComputeMenuState(in).deleteEnabled);
  EXPECT_TRUE(ComputeMenuState(in).editEnabled);
  in = Ready();
  in.deleteLock = true;
  EXPECT_FALSE(ComputeMenuState(in).deleteEnabled);
  in = Ready();
  in.backupExists = false;
  EXPECT_FALSE(ComputeMenuState(in).undoVisible);
  in = Ready();
  in.searchTextEmpty = true;
  EXPECT_FALSE(ComputeMenuState(in).findNextEnabled);
  in = Ready();
  in.clipboardHasFiles = true;
  in.viewHasSelection = false;
  EXPECT_TRUE(ComputeMenuState(in).pasteVisible);
  EXPECT_FALSE(ComputeMenuState(in).copyVisible);
  in = Ready();
  in.fileExists = false;
  const MenuState m = ComputeMenuState(in);
  EXPECT_FALSE(m.convertEnabled || m.undoVisible || m.selectEnabled || m.editEnabled || m.findEnabled ||
               m.findNextEnabled || m.popupEditEnabled || m.bookmarkEnabled || m.deleteEnabled);
}

}  // namespace
