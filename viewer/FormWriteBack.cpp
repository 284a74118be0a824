// The edit command: the selected range of the file is read, edited in a
// dialog and written back in place through the tail mover.
//
// The text the dialog gets is decoded here character by character from the
// file's bytes, so that every character boundary of the text has its byte
// offset in the file. The write-back compares the edited text with that text
// and replaces only the changed middle: the unchanged head and tail keep the
// file's own bytes, whatever the code page 932 round trip would make of them.
// Before anything is written the file must still be the one that was read
// (same size, last-write time, volume, file index and range bytes).
#include <algorithm>
#include <memory>
#include <new>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "engine/TailMover.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/FileOps.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "text/JisWrite.h"
#include "text/RangeRead.h"
#include "text/StatusText.h"
#include "text/conv_text.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"

namespace {

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The file as it was read: compared again before the write.
struct FileSnapshot {
  std::wstring path;
  int code = 0, order = 0, bom = 0;
  int64_t size = -1;
  uint64_t volume = 0, index = 0;
  FILETIME written{};
};

bool TakeSnapshot(HANDLE h, const std::wstring& path, FileSnapshot* s) {
  s->path = path;
  s->size = fileops::Files().Size(h);
  WIN32_FIND_DATAW fd;
  if (s->size < 0 || !fileops::Files().Identity(h, &s->volume, &s->index) || !fileops::Files().FindFirst(path, &fd))
    return false;
  s->written = fd.ftLastWriteTime;
  return true;
}

bool SameSnapshot(const FileSnapshot& a, const FileSnapshot& b) {
  return a.path == b.path && a.code == b.code && a.order == b.order && a.bom == b.bom && a.size == b.size &&
         a.volume == b.volume && a.index == b.index && CompareFileTime(&a.written, &b.written) == 0;
}

std::wstring Widen(const char* data, size_t n) { return Cp932ToWide(data, n); }

std::wstring Utf8Char(const char* data, size_t n) {
  int w = MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(n), nullptr, 0);
  if (w <= 0) return std::wstring(n, L'\xFFFD');
  std::wstring out(static_cast<size_t>(w), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(n), &out[0], w);
  return out;
}

std::string Utf8Of(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring ReplaceAll(const std::wstring& text, const wchar_t* pattern, const wchar_t* replacement) {
  const std::u16string r =
      conv::ReplaceAllWide(reinterpret_cast<const char16_t*>(text.c_str()),
                           reinterpret_cast<const char16_t*>(pattern), reinterpret_cast<const char16_t*>(replacement));
  return std::wstring(r.begin(), r.end());
}

// The refusal of a range larger than Edit Max.
void EditMaxBox(int64_t bytes, int64_t limit, HWND owner) {
  const std::wstring text = L"[ 選択したテキストのサイズ　 " + statustext::FormatSize(false, static_cast<uint64_t>(bytes)) +
                            L" ]\n\n一度に編集できるサイズは、" +
                            statustext::FormatSize(false, static_cast<uint64_t>(limit)) + L" までです。";
  MessageBoxWide(text, L"編集サイズの制限(Edit Max)", MB_OK | MB_ICONERROR, owner);
}

// Bytes read behind a JIS range, so that a character or sequence that runs
// over its end is seen whole.
constexpr int64_t kJisLookahead = 8;
// The most that Windows 95 and 98 read at once.
constexpr int64_t kWin9xReadLimit = 0x10000;
// How far back the state at a JIS range's start is looked for.
constexpr int64_t kJisStateWindow = int64_t{1} << 20;

}  // namespace

bool TVastrelForm::DecodeForEdit(const std::string& raw, EditSource* src) {
  src->text.clear();
  src->byteAt.clear();
  src->hadNul = false;
  bool genuine = false;
  const size_t n = raw.size();
  const bool utf16 = Doc.TextCode == tcUtf16;
  const bool be = Doc.ByteOrder == boBigEndian;
  size_t i = 0;
  auto mark = [&](size_t at) {
    while (src->byteAt.size() < src->text.size()) src->byteAt.push_back(-1);  // inside a character
    src->byteAt.push_back(static_cast<int64_t>(at));
  };
  src->byteAt.push_back(0);
  if (Doc.TextCode == tcJis) {
    // The range is the first byteLength bytes; the reading follows the
    // converter's, from the state in force at the range's start. byteAt counts
    // characters here: the write-back finds their bytes again.
    const size_t limit = static_cast<size_t>(src->byteLength);
    jiswrite::Reader r(reinterpret_cast<const unsigned char*>(raw.data()), n, src->jisStart);
    jiswrite::Step s;
    size_t chars = 0;
    src->edgeInside = false;
    while (r.pos() < limit && r.Next(&s)) {
      if (s.start + s.length > limit) {
        src->edgeInside = true;
        break;
      }
      if (s.control) continue;
      std::wstring ch;
      if (s.sjisLength == 1 && s.sjis[0] == 0) {
        src->hadNul = true;
        ch.assign(1, L'\x0001');
      } else {
        if (s.sjisLength == 1 && s.sjis[0] == 1) genuine = true;
        if (!s.broken) ch = Widen(reinterpret_cast<const char*>(s.sjis), static_cast<size_t>(s.sjisLength));
        if (ch.empty()) ch = L"\x30FB";
      }
      src->text += ch;
      mark(++chars);
    }
    src->genuinePlaceholder = genuine;
    return !(src->hadNul && genuine);
  }
  while (i < n) {
    size_t len = 1;
    std::wstring ch;
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (utf16) {
      if (i + 1 >= n) break;  // an odd last byte stays outside the range
      len = 2;
      const unsigned char b0 = c, b1 = static_cast<unsigned char>(raw[i + 1]);
      const wchar_t u = be ? static_cast<wchar_t>((b0 << 8) | b1) : static_cast<wchar_t>((b1 << 8) | b0);
      if (u == 0) src->hadNul = true;
      if (u == 1) genuine = true;
      ch.assign(1, u == 0 ? L'\x0001' : u);
    } else if (c == 0) {
      src->hadNul = true;
      ch.assign(1, L'\x0001');
    } else {
      if (c == 1) genuine = true;
      switch (Doc.TextCode) {
        case tcShiftJis:
          if (IsSjisLead(c) && i + 1 < n && raw[i + 1] != 0) len = 2;
          ch = Widen(raw.data() + i, len);
          break;
        case tcEucJp: {
          if (c == 0x8F && i + 2 < n)
            len = 3;
          else if ((c == 0x8E || c >= 0xA1) && i + 1 < n && static_cast<unsigned char>(raw[i + 1]) >= 0xA1)
            len = 2;
          std::string sjis;
          const std::string one = raw.substr(i, len);
          ch = Conv.EucToSjis(one.c_str(), &sjis) ? Cp932ToWide(sjis) : std::wstring(L"\x30FB");
          break;
        }
        default: {  // UTF-8
          size_t want = c < 0x80 ? 1 : c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
          len = 1;
          if (want > 1 && i + want <= n) {
            bool ok = true;
            for (size_t k = 1; k < want; ++k) ok = ok && (static_cast<unsigned char>(raw[i + k]) & 0xC0) == 0x80;
            if (ok) len = want;
          }
          ch = Utf8Char(raw.data() + i, len);
          break;
        }
      }
      if (ch.empty()) ch = L"\x30FB";
    }
    src->text += ch;
    i += len;
    mark(i);
  }
  src->byteLength = static_cast<int64_t>(i);
  src->genuinePlaceholder = genuine;
  return !(src->hadNul && genuine);
}

bool TVastrelForm::EncodeEdited(const std::wstring& text, bool hadNul, std::string* out, std::wstring* lost) {
  out->clear();
  switch (Doc.TextCode) {
    case tcUtf16: {
      out->reserve(text.size() * 2);
      for (wchar_t u : text) {
        if (hadNul && u == 1) u = 0;
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        if (Doc.ByteOrder == boBigEndian) {
          out->push_back(hi);
          out->push_back(lo);
        } else {
          out->push_back(lo);
          out->push_back(hi);
        }
      }
      return true;
    }
    case tcUtf8:
      *out = Utf8Of(text);
      break;
    default: {
      // Characters that code page 932 lacks become its substitute: they are counted.
      const std::string sjis = WideToCp932(text);
      size_t k = 0;
      for (size_t j = 0; j < text.size(); ++j) {
        size_t units = (text[j] >= 0xD800 && text[j] <= 0xDBFF && j + 1 < text.size()) ? 2 : 1;
        const std::wstring ch = text.substr(j, units);
        if (Cp932ToWide(WideToCp932(ch)) != ch && lost) *lost += ch;
        j += units - 1;
        (void)k;
      }
      if (Doc.TextCode == tcEucJp) {
        if (!sjis.empty() && !Conv.SjisToEuc(sjis.c_str(), out)) return false;
      } else {
        *out = sjis;
      }
      break;
    }
  }
  if (hadNul)
    for (char& c : *out)
      if (c == 1) c = 0;
  return true;
}

bool TVastrelForm::EncodeEditedJis(const std::wstring& text, bool hadNul, const std::string& before,
                                   const jiswrite::State& from, const jiswrite::State& to, std::string* out,
                                   std::wstring* lost) {
  // Characters that code page 932 lacks, or that have no JIS code (the IBM
  // extensions), are counted; they are written as "?".
  const std::string sjis = WideToCp932(text);
  for (size_t j = 0; j < text.size(); ++j) {
    const size_t units = (text[j] >= 0xD800 && text[j] <= 0xDBFF && j + 1 < text.size()) ? 2 : 1;
    const std::wstring ch = text.substr(j, units);
    const std::string b = WideToCp932(ch);
    if ((Cp932ToWide(b) != ch ||
         !jiswrite::Encodable(reinterpret_cast<const unsigned char*>(b.data()), static_cast<int>(b.size()))) &&
        lost)
      *lost += ch;
    j += units - 1;
  }
  // Kana go the way the runs around them go, else the way the file was read.
  const bool shiftOut = from.mode == 3 || to.mode == 3 || (from.mode != 2 && to.mode != 2 && Conv.KanaByShiftOut);
  *out = jiswrite::Join(before, sjis, from, to, shiftOut, "?", nullptr);
  if (hadNul)
    for (char& c : *out)
      if (c == 1) c = 0;
  return true;
}

void TVastrelForm::EditMenuClick() {
  if (!FileCommandsAllowed() || Doc.FileSize < 0 || Doc.FilePath.empty()) return;
  const int unit = Doc.TextCode == tcUtf16 ? 2 : 1;
  const int64_t limit = EditMaxBytes();
  const int64_t selBytes = (Doc.SelLength < 0 ? -Doc.SelLength : Doc.SelLength) * unit;
  if (selBytes > limit) {
    EditMaxBox(selBytes, limit, Handle());
    return;
  }
  OfferBackup();
  EditSizeDelta = 0;
  NulCount = 0;
  EditSelectionInPlace();
  if (IsWideView())
    FocusViewOfCode(false);
  else
    FocusViewOfCode(true);
  if (LineCheckpointList && !LineCheckpointList->empty() && EditSizeDelta != 0) {
    MessageBoxWide(L"ファイルサイズが変更されました。\n編集対象以降の行では行番号のずれが起こります。\n必要で有れば行番号リストを更新して下さい。",
                   L"行番号リストの更新", MB_OK | MB_ICONINFORMATION, Handle());
  }
}

void TVastrelForm::EditSelectionInPlace() {
  vastrel::WorkGuard::Scope job(Work, vastrel::WorkGuard::Job::EditDialog);
  if (!job.Started()) return;
  const int unit = Doc.TextCode == tcUtf16 ? 2 : 1;
  const bool jis = Doc.TextCode == tcJis;
  // 1. The range in bytes, the mark never inside it, and the file as it is now.
  const int64_t selFrom = Doc.SelLength < 0 ? Doc.SelStart + Doc.SelLength : Doc.SelStart;
  int64_t start = selFrom;
  int64_t length = Doc.SelLength < 0 ? -Doc.SelLength : Doc.SelLength;
  start *= unit;
  length *= unit;
  FileSnapshot before;
  before.code = Doc.TextCode;
  before.order = Doc.ByteOrder;
  before.bom = Doc.BomLength;
  EditSource src;
  {
    TCursorGuard hourglass(crHourGlass);
    fileops::File in(OpenForReading(Doc.FilePath));
    if (!in.IsOpen() || !TakeSnapshot(in.get(), Doc.FilePath, &before)) {
      ShowMessageWide(SystemErrorTextWide(GetLastError()));
      return;
    }
    int64_t extra = 0;  // JIS: bytes read behind the range
    if (jis) {
      // A JIS selection is a stretch of the file's bytes between characters:
      // it is read from the state in force at its start, with the bytes in
      // front of it that the new text must not join.
      start = std::max<int64_t>(0, std::min(start, before.size));
      length = std::min(length, before.size - start);
      const textio::ReadAt read = FileReader(in.get());
      bool aligned = false;
      const int64_t keep = std::min<int64_t>(start, 5);
      src.jisBefore.assign(static_cast<size_t>(keep), '\0');
      if (!jiswrite::StateBefore(read, start, kJisStateWindow, &src.jisStart, &aligned) ||
          (keep > 0 && read(start - keep, &src.jisBefore[0], src.jisBefore.size()) != keep)) {
        ShowMessageWide(SystemErrorTextWide(GetLastError()));
        return;
      }
      if (!aligned) {
        MessageBoxWide(L"選択範囲の始まりがJISの文字の途中にあるため、編集できません。", L"テキストの編集",
                       MB_OK | MB_ICONERROR, Handle());
        return;
      }
      extra = std::min<int64_t>(kJisLookahead, before.size - start - length);
    }
    if (start < Doc.BomLength) {
      length -= Doc.BomLength - start;
      start = Doc.BomLength;
    }
    if (length < 0) length = 0;
    if (start > before.size) start = before.size;
    if (start + length > before.size) length = before.size - start;
    if (extra < 0) extra = 0;
    // Windows 95 and 98 read no more than 64 KB at once.
    if (SystemLevel == 0 && length > kWin9xReadLimit) {
      EditMaxBox(length, kWin9xReadLimit, Handle());
      return;
    }
    std::string raw;
    try {
      raw.resize(static_cast<size_t>(length + extra));
    } catch (const std::bad_alloc&) {
      ShowMessageWide(L"メモリが不足しています。");
      return;
    }
    const DWORD want = static_cast<DWORD>(raw.size());
    DWORD got = 0;
    if (want > 0 && (SeekFile64(in.get(), FILE_BEGIN, start) != start ||
                     !fileops::ReadFully(in.get(), &raw[0], want, &got) || got != want)) {
      ShowMessageWide(SystemErrorTextWide(got != want && GetLastError() == 0 ? ERROR_HANDLE_EOF : GetLastError()));
      return;
    }
    src.raw = std::move(raw);
    src.byteLength = length;
    if (!DecodeForEdit(src.raw, &src)) {
      MessageBoxWide(L"選択範囲にNUL文字と01の文字が混在しているため、編集できません。", L"テキストの編集",
                     MB_OK | MB_ICONERROR, Handle());
      return;
    }
    if (src.edgeInside) {
      MessageBoxWide(L"選択範囲の終わりがJISの文字の途中にあるため、編集できません。", L"テキストの編集",
                     MB_OK | MB_ICONERROR, Handle());
      return;
    }
    NulCount = src.hadNul ? 1 : 0;
  }
  // 2. The dialog.
  EditDialogRun run;
  run.wide = IsWideView();
  if (run.wide)
    run.wideText = src.text;
  else
    run.narrowText = WideToCp932(src.text);
  run.keepSelection = Settings.KeepEditSelection;
  RunEditDialog(run);
  Settings.KeepEditSelection = run.keepSelection;
  if (run.result != mrOk) return;
  Application->ProcessMessages();
  std::wstring edited = run.wideText;
  switch (run.lineEndChoice) {
    case 1:
      edited = ReplaceAll(ReplaceAll(edited, L"\r", L"\r\n"), L"\n", L"\r\n");
      break;
    case 2:
      edited = ReplaceAll(ReplaceAll(edited, L"\r\n", L"\r"), L"\n", L"\r");
      break;
    case 3:
      edited = ReplaceAll(ReplaceAll(edited, L"\r\n", L"\n"), L"\r", L"\n");
      break;
    default:
      break;
  }
  // The text typed in the dialog is not lost when it cannot be written: the
  // refusal offers to copy it to the clipboard.
  auto refuse = [&](const std::wstring& why) {
    if (MessageBoxWide(why + L"\n\n編集したテキストをクリップボードにコピーしますか？", L"テキストの編集",
                       MB_YESNO | MB_ICONWARNING, Handle()) == IDYES)
      CopyTextToClipboard(edited);
  };
  const std::wstring notConverted = L"編集したテキストを変換できませんでした。ファイルは変更されていません。";
  // 3. Only the changed middle is written; head and tail keep the file's bytes.
  const std::wstring& was = src.text;
  size_t head = 0;
  const size_t most = std::min(was.size(), edited.size());
  while (head < most && was[head] == edited[head]) ++head;
  size_t tail = 0;
  while (tail < most - head && was[was.size() - 1 - tail] == edited[edited.size() - 1 - tail]) ++tail;
  while (head > 0 && src.byteAt[head] < 0) --head;
  while (tail > 0 && src.byteAt[was.size() - tail] < 0) --tail;
  if (head == was.size() && head == edited.size()) return;  // nothing changed
  const std::wstring middle = edited.substr(head, edited.size() - tail - head);
  std::string bytes;
  std::wstring lost;
  int64_t at = start + src.byteAt[head];
  int64_t old = src.byteAt[was.size() - tail] - src.byteAt[head];
  if (jis) {
    // The characters' bytes, and the escapes between them, from the end of
    // the unchanged head to the start of the unchanged tail; the new text is
    // written from the state in force there into the state the tail is read in.
    const jiswrite::Cut cut =
        jiswrite::CutAt(reinterpret_cast<const unsigned char*>(src.raw.data()), src.raw.size(),
                        static_cast<size_t>(src.byteLength), src.jisStart, static_cast<size_t>(src.byteAt[head]),
                        static_cast<size_t>(src.byteAt[was.size() - tail]));
    std::string front = src.jisBefore + src.raw.substr(0, cut.ok ? cut.begin : 0);
    front.erase(0, front.size() > 5 ? front.size() - 5 : 0);
    if (!cut.ok || !EncodeEditedJis(middle, src.hadNul, front, cut.from, cut.to, &bytes, &lost)) {
      refuse(notConverted);
      return;
    }
    at = start + static_cast<int64_t>(cut.begin);
    old = static_cast<int64_t>(cut.end - cut.begin);
  } else if (!EncodeEdited(middle, src.hadNul, &bytes, &lost)) {
    refuse(notConverted);
    return;
  }
  if (!lost.empty()) {
    const std::wstring first = lost.substr(0, std::min<size_t>(lost.size(), 10));
    if (MessageBoxWide(L"ファイルの文字コードで表せない文字が " + std::to_wstring(lost.size()) + L" 文字あります（" +
                           first + L"）。\nこれらの文字は代替文字で書き込まれます。\n\n書き込みますか？",
                       L"テキストの編集", MB_YESNO | MB_ICONQUESTION, Handle()) != IDYES)
      return;
  }
  // 4. The same file, or nothing.
  TCursorGuard hourglass(crHourGlass);
  fileops::File out;
  if (!out.Open(Doc.FilePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                FILE_FLAG_RANDOM_ACCESS)) {
    refuse(SystemErrorTextWide(GetLastError()) + L"\nファイルは変更されていません。");
    return;
  }
  FileSnapshot now = before;
  bool same = TakeSnapshot(out.get(), Doc.FilePath, &now) && SameSnapshot(before, now);
  if (same && !src.raw.empty()) {
    std::string again(src.raw.size(), '\0');
    DWORD got = 0;
    same = SeekFile64(out.get(), FILE_BEGIN, start) == start &&
           fileops::ReadFully(out.get(), &again[0], static_cast<DWORD>(again.size()), &got) && again == src.raw;
  }
  if (!same) {
    out.Close();
    refuse(L"ファイルが読み込んだ後に変更されたため、書き込みを中止しました。ファイルは変更されていません。");
    return;
  }
  // 5. The move, with progress and abort; then the bookmarks behind the old
  // range and everyone who follows the file's changes.
  const engine::TailMoveOutcome r = MoveTail(out.get(), at, old, bytes, vastrel::WorkGuard::Job::WriteBack);
  const bool closed = out.Close();
  if (!r.done()) {
    if (r.status == engine::TailMoveStatus::Aborted)
      refuse(L"書き込みを中止しました。ファイルは変更されていません。");
    else if (r.status == engine::TailMoveStatus::Refused && r.error == 0)
      refuse(L"他の作業中のため、書き込みを行えませんでした。ファイルは変更されていません。");
    else {
      // A damaged file may hold anything from the damage on: the index is stale.
      if (r.status == engine::TailMoveStatus::Damaged) LineIndexFileChanged(at, 0);
      refuse(TailMoveText(r));
    }
    return;
  }
  if (!closed) ShowMessageWide(SystemErrorTextWide(GetLastError()));
  const int64_t delta = static_cast<int64_t>(bytes.size()) - old;
  ShiftBookmarkOffsets(delta, at + old);
  PublishFileChange(at, old, static_cast<int64_t>(bytes.size()));
  EditSizeDelta = delta;
  NulCount = 0;
  // The selection is the new text; a JIS cut that took the escapes behind the
  // range along ends with the new bytes.
  Doc.SelStart = start / unit;
  Doc.SelLength = (std::max(at + static_cast<int64_t>(bytes.size()), start + length + delta) - start) / unit;
  RefreshPage(false, false, MyTrackBar1->Position());
  ShowSelectionStatus();
}
