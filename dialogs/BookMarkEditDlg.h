// The overview of the stored lists: in mode 0 the text files that have a
// bookmark list in the bookmark store, in mode 1 those that have a line list
// in the line-list store. The user opens a listed file, selects entries (all,
// inverted, or those whose file is gone) and deletes them from the list; the
// deleted paths go to the caller's list, and the caller, after OK, asks and
// removes the stored sections. OK is enabled only once something was deleted.
//
// Each item's text is the section's header line "[" path "]" (as a wide
// object). Whether its file exists, its shell icon and, in mode 1, the record
// count of its line list are taken when the item is added (and again after
// Open1), never while painting.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/StdCtrls.h"

class TPanel;
class TButton;
class TPopupMenu;
class TMenuItem;
class TImageList;
class TStrings;

namespace dialogs {

// What the overview asks of the main window.
class StoredListsHost {
 public:
  virtual ~StoredListsHost() = default;
  virtual bool FileExists(const std::wstring& path) = 0;
  // Mode 1: the records of the line list stored for a text file (0 when none);
  // reports nothing.
  virtual int64_t LineListCount(const std::wstring& path) = 0;
  // Mode 1: the stored list file's path for a text file (the item's hint).
  virtual std::wstring StoredListPath(const std::wstring& path) = 0;
  // Opens a listed file in the main window.
  virtual void OpenFile(const std::wstring& path) = 0;
  // The main window's images (the pop-up's and the drawing's); may be null.
  virtual TImageList* Images() = 0;
  // Draws one text the way the main window's lists do.
  virtual void DrawItemText(HDC dc, const std::wstring& text, UINT format, RECT& rect) = 0;
};

}  // namespace dialogs

class TBookMarkDlg : public TForm {
 public:
  // deleted: the caller's list that gets the deleted paths (not owned).
  TBookMarkDlg(TForm* owner, int mode, TStrings* deleted, dialogs::StoredListsHost& host);
  ~TBookMarkDlg() override;

  int Mode = 0;
  int DeletedCount = 0;
  TStrings* Deleted = nullptr;

  TListBox* ListBox1 = nullptr;
  TPanel* Panel1 = nullptr;
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem *Open1 = nullptr, *N3 = nullptr, *N4 = nullptr, *N1 = nullptr, *Delete1 = nullptr;

  // Adds one header line "[" path "]" and takes its file's facts.
  void AddHeader(const std::wstring& header);
  // The item's path: its text less the first and last character.
  std::wstring ItemPath(int index);
  // What was taken for an item when it was added (or after Open1).
  struct ItemFacts {
    bool exists = false;
    HICON icon = nullptr;
    int64_t records = 0;
  };
  const ItemFacts& Facts(int index) const { return facts_[static_cast<size_t>(index)]; }
  // The text drawn for an item: the path, in mode 1 with " (" count ")".
  std::wstring ShownText(int index);

  void ListBox1DrawItem(int index, const RECT& rect, TOwnerDrawState state);
  // Tag 0 selects all, 1 inverts the selection, 2 selects the missing files.
  void N3Click(int tag);
  void Delete1Click();
  void ListBox1Click();
  void ListBox1MouseUp(TMouseButton button, int x, int y);
  void PopupMenu1Popup();
  void Open1Click();
  void FormResize();

  // The shell's small icon of a file (null when there is none); no message
  // on failure, since it may run while a list paints.
  static HICON SmallShellIcon(const std::wstring& path);

 private:
  void TakeFacts(int index);
  void FreeFacts(ItemFacts& f);
  dialogs::StoredListsHost& host_;
  std::vector<ItemFacts> facts_;
};
