// The journal of in-place work (engine/Journal.h) on the window's side: where
// it is kept, what an operation says when its journal cannot be written, and
// the recovery at start, which finishes or undoes what the program's death
// cut short before any file is opened, with one message for each file.
//
// The journal lives in the program's data folder: the next start finds it
// there without knowing which file was edited, before anything else runs.
#include <string>
#include <vector>

#include "engine/Journal.h"
#include "framework/Cursor.h"
#include "framework/MessageService.h"
#include "viewer/VastrelForm.h"

std::wstring TVastrelForm::JournalFolder() const { return Paths.dataFolder; }

std::wstring TVastrelForm::JournalFailureText(DWORD error) {
  return L"作業の記録を書き込めないため、ファイルを変更しませんでした。\r\n" + SystemErrorTextWide(error);
}

namespace {

std::wstring Range(const engine::RecoveryReport& r) {
  return std::to_wstring(r.rangeStart) + L" バイト目から " + std::to_wstring(r.rangeEnd) +
         L" バイト目の手前までの内容が正しくない可能性があります。";
}

std::wstring RecoveryText(const engine::RecoveryReport& r) {
  const bool move = r.kind == engine::JournalKind::Move;
  const std::wstring head = move ? L"前回、ファイルの編集中にプログラムが終了しました。\r\n"
                                 : L"前回、ファイルの置き換え中にプログラムが終了しました。\r\n";
  switch (r.result) {
    case engine::RecoveryResult::Finished:
      return head + r.path + L"\r\nは、" + (move ? L"編集を終えた内容になりました。" : L"置き換えを終えた内容です。");
    case engine::RecoveryResult::Original:
      return head + r.path + L"\r\nは、" + (move ? L"編集前の内容に戻りました。" : L"元の内容のままです。");
    case engine::RecoveryResult::NotTouched:
      return head + r.path + L"\r\nはその後に変更されているか見つからないため、何も変更しませんでした。\r\n" + Range(r) +
             L"\r\n作業の記録: " + r.journalKept;
    case engine::RecoveryResult::Damaged:
      return head + r.path + L"\r\nを元に戻す途中で失敗しました。\r\n" + Range(r) + L"\r\n" +
             SystemErrorTextWide(r.error) + L"\r\n作業の記録: " + r.journalKept;
    case engine::RecoveryResult::Unreadable:
      break;
  }
  return L"前回の作業の記録を読めないため、何も変更しませんでした。\r\n作業の記録: " + r.journalKept;
}

}  // namespace

void TVastrelForm::RecoverInterruptedWork() {
  if (!engine::HasJournals(JournalFolder())) return;
  // No messages run meanwhile: nothing may touch a file before it is whole.
  std::vector<engine::RecoveryReport> reports;
  {
    TCursorGuard hourglass(crHourGlass);
    engine::NullProgress quiet;
    reports = engine::RecoverJournals(JournalFolder(), quiet);
  }
  for (const engine::RecoveryReport& r : reports) ShowMessageWide(RecoveryText(r));
}
