#include "viewer/MenuState.h"

namespace vastrel {

MenuState ComputeMenuState(const MenuInputs& in) {
  MenuState m;
  const bool idle = in.workIdle;
  m.convertEnabled = idle && in.hasLines && in.fileExists && in.lineThreadIdle;
  m.pasteVisible = in.clipboardHasFiles;
  m.undoVisible = in.fileExists && in.backupExists;
  m.undoEnabled = idle;
  m.selectEnabled = idle && in.hasLines && in.fileExists;
  m.editEnabled = idle && in.fileExists && !in.crlfTicked && !in.watching && !in.csvTicked;
  m.findEnabled = idle && in.fileExists;
  m.findNextEnabled = idle && !in.searchTextEmpty && in.fileExists;
  m.popupEditEnabled = idle && in.fileExists && !in.watching;
  m.bookmarkEnabled = in.hasLines && in.fileExists;
  m.deleteEnabled = idle && !in.deleteLock && in.fileExists && in.hasLines;
  m.copyVisible = in.viewHasSelection;
  return m;
}

}  // namespace vastrel
