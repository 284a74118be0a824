// What a key-down in a text view asks for, before any window is touched: the
// shortcut or editing command, and whether the caret and page handling goes on.
// Every command that changes, opens or searches the file is refused while long
// work runs (the view is disabled then, but a key already queued still arrives).
#pragma once

namespace vastrel {

enum class ViewCommand {
  None,
  FindNext,           // F3
  Open,               // Ctrl+O
  SelectAll,          // Ctrl+A
  Find,               // Ctrl+F
  SelectToLineBreak,  // Ctrl+R
  EditSelection,      // Ctrl+E
  Backspace,
  Delete,
  Enter,
};

struct KeyDecision {
  ViewCommand command = ViewCommand::None;
  // A command was asked for but long work runs: nothing is started.
  bool refused = false;
  // The caret moves, page edges and PageKeyDown follow.
  bool navigate = false;
  // The caret's new place becomes SelStart (false with Shift: the selection is
  // extended on key-up from the unchanged SelStart).
  bool moveSelStart = false;
};

// A key-down in a pane (pane = true) or in the memo. ctrl and shift as held;
// deleteLock is the no-delete box; workIdle is WorkGuard::Idle().
KeyDecision DecideViewKeyDown(bool pane, int vk, bool ctrl, bool shift, bool fileOpen, bool deleteLock,
                              bool workIdle);

}  // namespace vastrel
