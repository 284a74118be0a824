#include "viewer/KeyCommands.h"

namespace vastrel {

namespace {
constexpr int kBack = 8, kEnter = 13, kDelete = 0x2E, kF3 = 0x72;

KeyDecision Ask(ViewCommand c, bool workIdle, bool navigate) {
  KeyDecision d;
  if (workIdle) d.command = c;
  else d.refused = true;
  d.navigate = navigate;
  return d;
}
}  // namespace

KeyDecision DecideViewKeyDown(bool pane, int vk, bool ctrl, bool shift, bool fileOpen, bool deleteLock,
                              bool workIdle) {
  KeyDecision d;
  if (pane && vk == kF3) {
    if (!fileOpen) return Ask(ViewCommand::FindNext, workIdle, false);
    d = Ask(ViewCommand::FindNext, workIdle, true);
    d.moveSelStart = !shift;
    return d;
  }
  if (!fileOpen) return d;
  if (pane && ctrl) {
    switch (vk) {
      case 'O': return Ask(ViewCommand::Open, workIdle, false);
      case 'A': return Ask(ViewCommand::SelectAll, workIdle, false);
      case 'F': return Ask(ViewCommand::Find, workIdle, false);
      case 'R': return Ask(ViewCommand::SelectToLineBreak, workIdle, false);
      case 'E': return Ask(ViewCommand::EditSelection, workIdle, false);
      default: return d;  // every other Ctrl key stops here
    }
  }
  if (!shift && !deleteLock) {
    // In a pane Backspace and Enter go on to the caret handling; in the memo the
    // three keys end the handler.
    if (vk == kBack) return Ask(ViewCommand::Backspace, workIdle, pane);
    if (vk == kDelete) return Ask(ViewCommand::Delete, workIdle, false);
    if (vk == kEnter) return Ask(ViewCommand::Enter, workIdle, pane);
  }
  d.navigate = true;
  d.moveSelStart = !shift;
  return d;
}

}  // namespace vastrel
