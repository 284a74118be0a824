#include "engine/FileCopy.h"

#include <algorithm>
#include <memory>
#include <new>

#include "engine/Journal.h"
#include "framework/FileOps.h"

namespace engine {

namespace {

std::wstring FolderOf(const std::wstring& path) {
  const auto p = path.rfind(L'\\');
  return p == std::wstring::npos ? std::wstring() : path.substr(0, p + 1);
}

CopyOutcome Fail(CopyStep step, DWORD error) {
  CopyOutcome o;
  o.status = CopyStatus::Failed;
  o.step = step;
  o.error = error ? error : ERROR_GEN_FAILURE;
  return o;
}

}  // namespace

std::wstring CopyTempName(const std::wstring& target, uint32_t n) {
  wchar_t digits[16];
  wsprintfW(digits, L"%08X", n);
  return FolderOf(target) + L"~vs" + digits + L".tmp";
}

CopyOutcome CopyFileReplacing(const std::wstring& source, const std::wstring& target, ProgressSink& sink,
                              const CopyOptions& options) {
  fileops::FileOps& ops = fileops::Files();
  fileops::File in;
  if (!in.Open(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
               FILE_FLAG_SEQUENTIAL_SCAN))
    return Fail(CopyStep::OpenSource, GetLastError());
  const int64_t size = ops.Size(in.get());
  if (size < 0) return Fail(CopyStep::Read, GetLastError());

  const uint32_t block = options.blockSize ? options.blockSize : (1u << 20);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[block]);
  if (!buffer) return Fail(CopyStep::Read, ERROR_NOT_ENOUGH_MEMORY);

  // A fresh name beside the target; a name that exists is never touched.
  fileops::File out;
  std::wstring temp;
  const uint32_t seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (uint32_t i = 0;; ++i) {
    temp = CopyTempName(target, seed + i);
    if (out.Open(temp, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL)) break;
    const DWORD e = GetLastError();
    if ((e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) || i >= 1000) return Fail(CopyStep::CreateTemp, e);
  }

  ReplaceJournal journal;
  if (!journal.Begin(options.journalFolder, target, temp, out.get())) {
    out.Close();
    ops.Delete(temp);
    return Fail(CopyStep::Journal, journal.error);
  }

  CopyOutcome result;
  result.status = CopyStatus::Done;
  auto fail = [&](CopyStep step, DWORD error) {
    result = Fail(step, error);
  };

  const int64_t blocks = (size + block - 1) / block;
  sink.SetMaximum(blocks);
  int64_t copied = 0;
  for (int64_t k = 0; k < blocks; ++k) {
    const DWORD want = static_cast<DWORD>(std::min<int64_t>(block, size - copied));
    DWORD got = 0;
    if (!fileops::ReadFully(in.get(), buffer.get(), want, &got)) {
      fail(CopyStep::Read, GetLastError());
      break;
    }
    if (got != want) {  // the source became shorter while it was copied
      fail(CopyStep::Read, ERROR_HANDLE_EOF);
      break;
    }
    if (!fileops::WriteFully(out.get(), buffer.get(), got)) {
      fail(CopyStep::Write, GetLastError());
      break;
    }
    copied += got;
    sink.Step(k + 1);
    if (sink.ShouldStop() && copied < size) {
      result.status = CopyStatus::Aborted;
      result.step = CopyStep::None;
      result.error = 0;
      break;
    }
  }

  in.Close();
  // The copy reaches the disk before it takes the target's place.
  if (result.done() && !journal.Ready(out.get())) fail(CopyStep::Write, journal.error);
  if (!out.Close() && result.done()) fail(CopyStep::Close, GetLastError());
  if (result.done() && !ops.Replace(temp, target)) fail(CopyStep::Replace, GetLastError());
  if (!result.done()) {
    const DWORD keep = GetLastError();
    ops.Delete(temp);
    SetLastError(keep);
  }
  journal.Done();
  return result;
}

}  // namespace engine
