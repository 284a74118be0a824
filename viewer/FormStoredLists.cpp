// The overviews of the stored bookmark lists and line lists: the dialog lists
// every text file that has a section in the store; the entries deleted there
// are removed from the store once the user confirms.
#include "dialogs/BookMarkEditDlg.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StringList.h"
#include "viewer/IniStore.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"

namespace {

// What the overview dialog reaches of the main window.
class StoredListsHostOf : public dialogs::StoredListsHost {
 public:
  explicit StoredListsHostOf(TVastrelForm& f) : f_(f) {}
  bool FileExists(const std::wstring& path) override { return FileExistsEx(path, f_.UnicodeMode); }
  int64_t LineListCount(const std::wstring& path) override { return f_.LineListCount(path, false); }
  std::wstring StoredListPath(const std::wstring& path) override {
    return f_.ReadIniStringWide(path, L"path", f_.Paths.lineStore);
  }
  void OpenFile(const std::wstring& path) override {
    if (f_.FileCommandsAllowed()) f_.OpenFile(path);
  }
  TImageList* Images() override { return f_.ImageList1; }
  void DrawItemText(HDC dc, const std::wstring& text, UINT format, RECT& rect) override {
    f_.DrawItemText(dc, text, format, rect);
  }

 private:
  TVastrelForm& f_;
};

}  // namespace

bool TVastrelForm::RunStoredListsDialog(int mode, const std::wstring& store) {
  if (!FileCommandsAllowed()) return false;
  StoredListsHostOf host(*this);
  TStringList deleted;
  auto* dlg = NewForm<TBookMarkDlg>(this, mode, &deleted, host);
  dlg->SetTextW(mode == 0 ? L"ブックマークリストの一覧" : L"行番号リストの一覧");
  TStringList headers;
  IniStore::ReadSectionHeaders(store, headers);
  for (int i = 0; i < headers.Count(); ++i) dlg->AddHeader(ItemTextWide(headers, i));
  const int result = dlg->ShowModal();
  const int count = dlg->DeletedCount;
  dlg->Free();
  if (result != mrOk || count <= 0) return false;

  const std::wstring what = mode == 0 ? L"ブックマークリスト" : L"行番号リスト";
  const std::string text = WideToCp932(what + L"を " + std::to_wstring(count) +
                                       L" 個、削除します。\nこの変更した内容を適用しますか？");
  if (MessageBoxCp932(text, WideToCp932(what + L"の削除確認"), MB_ICONQUESTION | MB_YESNO, Handle()) != IDYES)
    return false;
  for (int i = 0; i < deleted.Count(); ++i) {
    const std::wstring path = ItemTextWide(deleted, i);
    if (mode == 0) {
      Store().EraseIniSectionOf(store, path);
    } else {
      // The section, then the list file it names (only one of ours).
      DeleteLineList(path);
    }
  }
  PurgeBookmarkLists(store, false);
  return true;
}

void TVastrelForm::N13Click() { RunStoredListsDialog(0, Paths.bookStore); }

void TVastrelForm::N27Click() { RunStoredListsDialog(1, Paths.lineStore); }

void TVastrelForm::InstallStoredListsHandlers() {
  N13->OnClick = [this](TMenuItem*) { N13Click(); };
  N27->OnClick = [this](TMenuItem*) { N27Click(); };
}
