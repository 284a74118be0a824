// Whole-file copies for the backup and the undo of in-place edits.
//
// A copy never writes into its target directly: the bytes go to a new,
// uniquely named file beside the target (created with CREATE_NEW), and only a
// complete copy then takes the target's place in one move that replaces it.
// So a failure or an abort leaves the target exactly as it was (or absent, if
// it was absent) and removes the temporary file; nothing is deleted first.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/Progress.h"

namespace engine {

enum class CopyStatus { Done, Failed, Aborted };

// The step of a copy that failed, for the message.
enum class CopyStep { None, OpenSource, CreateTemp, Journal, Read, Write, Close, Replace };

struct CopyOutcome {
  CopyStatus status = CopyStatus::Failed;
  CopyStep step = CopyStep::None;
  DWORD error = 0;  // the system's error code of the failing step
  bool done() const { return status == CopyStatus::Done; }
};

struct CopyOptions {
  uint32_t blockSize = 1u << 20;
  // Folder of the journal that lets a later start clean up after a copy that
  // replaces an existing target (engine/Journal.h); empty for none. A journal
  // that cannot be written fails the copy at CopyStep::Journal, target untouched.
  std::wstring journalFolder;
};

// Copies the file source to target through fileops::Files(), in blocks, with
// one progress step and one stop question per block. The sink's maximum is
// the number of blocks.
CopyOutcome CopyFileReplacing(const std::wstring& source, const std::wstring& target, ProgressSink& sink,
                              const CopyOptions& options = {});

// The temporary name a copy to target tries as its n-th choice (for tests
// that look for left-over files): target's folder + "~vs" + hex digits + ".tmp".
std::wstring CopyTempName(const std::wstring& target, uint32_t n);

}  // namespace engine
