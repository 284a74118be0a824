// Which menu items are enabled or visible when a menu opens: the File and Edit
// menus and the view's pop-up menu. While long work runs (WorkGuard not idle)
// every item that would change, convert or search the file is disabled, so that
// no second job starts on a file whose tail is being moved.
#pragma once

namespace vastrel {

struct MenuInputs {
  bool hasLines = false;          // the text view holds at least one line
  bool fileExists = false;        // the open file exists on disk
  bool lineThreadIdle = true;     // no line index is being built
  bool clipboardHasFiles = false; // CF_HDROP on the clipboard
  bool backupExists = false;      // the file at the backup path exists
  bool crlfTicked = false;        // the CR/LF switch
  bool watching = false;          // the file watch button is down
  bool csvTicked = false;
  bool searchTextEmpty = true;
  bool deleteLock = false;        // "削除禁止"
  bool viewHasSelection = false;
  bool workIdle = true;
};

struct MenuState {
  // File menu
  bool convertEnabled = false;  // N17 "文字コードの変換"
  bool pasteVisible = false;    // Paste1
  // Edit menu
  bool undoVisible = false;     // Undo1 "元に戻す"
  bool undoEnabled = false;
  bool selectEnabled = false;   // AllSelMenu, MaxSelectMenu, PageSelMenu, N23
  bool editEnabled = false;     // EditMenu "テキストの編集"
  bool findEnabled = false;     // Find2
  bool findNextEnabled = false; // FindNext2
  // Pop-up menu
  bool popupEditEnabled = false;  // EditMenu
  bool bookmarkEnabled = false;   // N5 "ブックマークを設定"
  bool deleteEnabled = false;     // Delete1
  bool copyVisible = false;       // Copy1
};

MenuState ComputeMenuState(const MenuInputs& in);

}  // namespace vastrel
