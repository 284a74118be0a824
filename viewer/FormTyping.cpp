// Typed edits in place: a line end inserted at the caret, a character or the
// selection removed, in the file's own code. The file's tail is moved by the
// engine's tail mover (engine/TailMover.h) inside the long-work frame; this
// file wires it to the window: the file handle, the work state, the progress
// bar and abort button, messages, bookmarks and the change notification.
#include <windows.h>

#include <algorithm>
#include <string>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "engine/TailMover.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FileOps.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "text/BookmarkShift.h"
#include "text/JisEdit.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"
#include "viewer/WorkProgress.h"

namespace {

int UnitBytes(int code) { return code == tcUtf16 ? 2 : 1; }

std::wstring FolderOf(const std::wstring& path) {
  const size_t k = path.find_last_of(L"\\/");
  return k == std::wstring::npos ? std::wstring() : path.substr(0, k + 1);
}

// Opens the edited file for reading and writing; a failure is shown.
fileops::File OpenForEdit(const std::wstring& path, DWORD flags) {
  fileops::File f;
  if (!f.Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, flags)) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
  }
  return f;
}

bool IsCrLf(const unsigned char* b, int unit) {
  if (unit == 1) return b[0] == 0x0D && b[1] == 0x0A;
  return (b[0] == 0x0D && b[1] == 0 && b[2] == 0x0A && b[3] == 0) ||  // little endian
         (b[0] == 0 && b[1] == 0x0D && b[2] == 0 && b[3] == 0x0A);    // big endian
}

}  // namespace

// ---- the long-work frame

bool TVastrelForm::EnableMenusForWork(bool on, vastrel::WorkGuard::Job job) {
  if (!on && !Work.Begin(job)) return false;
  SetTextReadOnlyStyle(on);
  Open1->SetEnabled(on);
  WorkIdle = on;
  if (on) Work.End(job);
  return true;
}

void TVastrelForm::SpeedButton2Click() {
  if (!ConfirmStop) {
    StopRequested = true;
    return;
  }
  if (MessageBoxWide(L"作業を中止した場合、内容に不備な個所ができます。作業を中止しますか？", L"中止の確認",
                     MB_YESNO | MB_ICONQUESTION) == IDYES) {
    StopRequested = true;
  }
}

std::wstring TVastrelForm::TailMoveText(const engine::TailMoveOutcome& o) {
  switch (o.status) {
    case engine::TailMoveStatus::Done:
    case engine::TailMoveStatus::Aborted:  // put back as it was: nothing to say
      return std::wstring();
    case engine::TailMoveStatus::Refused:
    case engine::TailMoveStatus::Failed:
      return o.journalFailed ? JournalFailureText(o.error) : SystemErrorTextWide(o.error);
    case engine::TailMoveStatus::Damaged: {
      std::wstring text = L"ファイルを元に戻せませんでした。" + std::to_wstring(o.damageStart) + L" バイト目から " +
                          std::to_wstring(o.damageEnd) + L" バイト目の手前までの内容が壊れている可能性があります。\r\n" +
                          SystemErrorTextWide(o.error);
      if (!o.keptCopy.empty()) {
        text += L"\r\n" + std::to_wstring(o.keptStart) + L" バイト目からの元の " + std::to_wstring(o.keptLength) +
                L" バイトは次のファイルに残っています: " + o.keptCopy;
      }
      if (!o.journalKept.empty()) text += L"\r\n作業の記録: " + o.journalKept;
      if (!Doc.BackupPath.empty() && GetFileAttributesW(Doc.BackupPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        text += L"\r\nバックアップ: " + Doc.BackupPath;
      }
      return text;
    }
  }
  return std::wstring();
}

void TVastrelForm::ReportTailMove(const engine::TailMoveOutcome& o) {
  const std::wstring text = TailMoveText(o);
  if (!text.empty()) ShowMessageWide(text);
}

engine::TailMoveOutcome TVastrelForm::MoveTail(HANDLE h, int64_t start, int64_t oldLength, const std::string& bytes,
                                               vastrel::WorkGuard::Job job) {
  engine::TailMoveOutcome out;
  if (!EnableMenusForWork(false, job)) return out;  // other work runs: Refused, nothing said
  {
    vastrel::WorkFrame frame(WorkPanel, ColorProgressBar1, SpeedButton2);
    StopRequested = false;
    ConfirmStop = true;
    vastrel::WorkProgress sink(ColorProgressBar1, StopRequested);
    engine::TailMoveOptions options;
    options.tempFolder = FolderOf(Doc.FilePath);
    options.journalFolder = JournalFolder();
    options.filePath = Doc.FilePath;
    out = engine::ReplaceRange(h, start, oldLength, bytes.data(), bytes.size(), sink, options);
  }
  EnableMenusForWork(true, job);
  return out;
}

// ---- after an edit

void TVastrelForm::ShiftBookmarkOffsets(int64_t delta, int64_t pivot) {
  if (Doc.TextCode == tcUtf16) {
    delta /= 2;
    pivot /= 2;
  }
  TStrings& items = BockListBox1->Items();
  for (int i = 0; i < items.Count(); ++i) {
    std::wstring entry = GetItemWide(items, i);
    if (!bookmarks::ShiftEntryOffset(entry, pivot, delta)) continue;
    SetItemWide(items, i, entry);
    Doc.BookmarksChanged = true;
  }
  // The names kept at the backup follow too, so that Undo finds their entries.
  for (auto& kept : BookmarkNamesAtBackup) bookmarks::ShiftEntryOffset(kept.first, pivot, delta);
}

namespace {

std::wstring EntryName(const std::wstring& entry) {
  const size_t eq = entry.find(L'=');
  return eq == std::wstring::npos ? entry : entry.substr(0, eq);
}

}  // namespace

void TVastrelForm::KeepBookmarkNamesAtBackup() {
  BookmarkNamesAtBackup.clear();
  TStrings& items = BockListBox1->Items();
  for (int i = 0; i < items.Count(); ++i) {
    const std::wstring name = EntryName(GetItemWide(items, i));
    BookmarkNamesAtBackup.emplace_back(name, name);
  }
}

void TVastrelForm::RestoreBookmarkNamesAfterUndo() {
  TStrings& items = BockListBox1->Items();
  std::vector<bool> used(BookmarkNamesAtBackup.size(), false);
  bool changed = false;
  for (int i = 0; i < items.Count(); ++i) {
    const std::wstring entry = GetItemWide(items, i);
    const std::wstring name = EntryName(entry);
    for (size_t k = 0; k < BookmarkNamesAtBackup.size(); ++k) {
      if (used[k] || BookmarkNamesAtBackup[k].first != name) continue;
      used[k] = true;
      if (BookmarkNamesAtBackup[k].second != name) {
        SetItemWide(items, i, BookmarkNamesAtBackup[k].second + entry.substr(name.size()));
        changed = true;
      }
      break;
    }
  }
  // The file is the backup again: later edits shift from the names it had.
  for (auto& kept : BookmarkNamesAtBackup) kept.first = kept.second;
  Doc.BookmarksChanged = true;
  if (changed) BockListBox1->Invalidate();
}

void TVastrelForm::PublishFileChange(int64_t offset, int64_t removed, int64_t inserted) {
  LineIndexFileChanged(offset, inserted - removed);
  const int64_t size = Doc.FileSize + inserted - removed;
  Doc.FileSize = size;
  RealFileSize = RealFileSize >= 0 ? RealFileSize + inserted - removed : size;
  for (const auto& listener : FileChangeListeners) {
    if (listener) listener(offset, removed, inserted);
  }
}

// ---- insertion and deletion

bool TVastrelForm::InsertBytesIntoFile(const std::string& bytes, int64_t byteOffset) {
  if (bytes.empty()) return false;
  return ReplaceBytesInFile(byteOffset, 0, bytes);
}

bool TVastrelForm::ReplaceBytesInFile(int64_t byteOffset, int64_t oldLength, const std::string& bytes) {
  if (Doc.FileSize < 0 || oldLength < 0 || (oldLength == 0 && bytes.empty())) return false;
  fileops::File f = OpenForEdit(Doc.FilePath, FILE_FLAG_RANDOM_ACCESS);
  if (!f.IsOpen()) return false;
  const int64_t size = fileops::Files().Size(f.get());
  // Behind the mark and within the file (another program may have shortened it).
  if (size < 0 || byteOffset < Doc.BomLength || byteOffset > size || oldLength > size - byteOffset) return false;
  const auto job = oldLength > 0 ? vastrel::WorkGuard::Job::Delete : vastrel::WorkGuard::Job::Insert;
  const engine::TailMoveOutcome o = MoveTail(f.get(), byteOffset, oldLength, bytes, job);
  f.Close();
  ReportTailMove(o);
  if (!o.done()) return false;
  const int64_t n = static_cast<int64_t>(bytes.size());
  ShiftBookmarkOffsets(n - oldLength, byteOffset + oldLength);
  PublishFileChange(byteOffset, oldLength, n);
  return true;
}

bool TVastrelForm::InsertTextIntoFile(const std::wstring& text, int64_t offset) {
  if (Doc.FileSize < 0 || text.empty()) return false;
  std::string bytes;
  bool ok = false;
  switch (Doc.TextCode) {
    case tcUtf16: {
      bytes.reserve(text.size() * 2);
      for (wchar_t c : text) {
        const unsigned char lo = static_cast<unsigned char>(c & 0xFF), hi = static_cast<unsigned char>(c >> 8);
        if (Doc.ByteOrder == boBigEndian) {
          bytes += static_cast<char>(hi);
          bytes += static_cast<char>(lo);
        } else {
          bytes += static_cast<char>(lo);
          bytes += static_cast<char>(hi);
        }
      }
      ok = true;
      break;
    }
    case tcUtf8:
      ok = Conv.WideToUtf8(text.c_str(), CodeConv::ByteOrder::Little, &bytes);
      break;
    default: {
      std::string sjis;
      ok = Conv.WideToSjis(text.c_str(), CodeConv::ByteOrder::Little, &sjis);
      if (ok && Doc.TextCode == tcEucJp) ok = Conv.SjisToEuc(sjis.c_str(), &bytes);
      else if (ok && Doc.TextCode == tcJis) ok = Conv.SjisToJis(sjis.c_str(), &bytes);
      else bytes = sjis;
      break;
    }
  }
  if (!ok || bytes.empty()) return false;  // nothing changed, no work frame
  return InsertBytesIntoFile(bytes, offset * UnitBytes(Doc.TextCode));
}

bool TVastrelForm::DeleteFileRange(int64_t length, WORD key, int64_t offset) {
  if (Doc.FileSize < 0 || length <= 0) return false;
  const int u = UnitBytes(Doc.TextCode);
  fileops::File f = OpenForEdit(Doc.FilePath, FILE_FLAG_SEQUENTIAL_SCAN);
  if (!f.IsOpen()) return false;
  const int64_t size = fileops::Files().Size(f.get());
  int64_t start = offset * u;
  int64_t gap = length * u;
  // Only within [mark, size): nothing outside it.
  if (size < 0 || start < Doc.BomLength || start >= size) return false;
  gap = std::min(gap, size - start);
  // A CR LF pair goes whole: Backspace behind it also takes the CR, Delete on
  // its CR also takes the LF. A read that finds nothing leaves the gap.
  bool tookCr = false;
  const textio::ReadAt read = FileReader(f.get());
  unsigned char pair[4] = {};
  if (key == VK_BACK && start - u >= Doc.BomLength && read(start - u, pair, 2 * u) == 2 * u && IsCrLf(pair, u)) {
    start -= u;
    gap += u;
    tookCr = true;
  } else if (key == VK_DELETE && read(start, pair, 2 * u) == 2 * u && IsCrLf(pair, u)) {
    gap = std::min<int64_t>(gap + u, size - start);
  }
  const engine::TailMoveOutcome o = MoveTail(f.get(), start, gap, std::string(), vastrel::WorkGuard::Job::Delete);
  f.Close();
  ReportTailMove(o);
  if (!o.done()) return false;
  if (tookCr) {
    Doc.SelStart -= 1;
    LastSelStart = Doc.SelStart;
  }
  ShiftBookmarkOffsets(-gap, start + gap);
  PublishFileChange(start, gap, 0);
  return true;
}
