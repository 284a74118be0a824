// The small file routines on which the viewer's file work rests: 64-bit
// seek and size, the directory-entry lookup, the NUL-safe read, the system's
// error text, the viewable size limit, and a read callback over an open file
// for the pure text routines. Everything goes through the file-operation
// seam (framework/FileOps.h).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "text/PageText.h"
#include "text/ReadAt.h"

// The signed 64-bit value of two halves.
inline int64_t MakeInt64(DWORD high, DWORD low) {
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

// Moves the file pointer; the new position, or -1 on failure.
int64_t SeekFile64(HANDLE h, DWORD method, int64_t distance);

// Size of the file from its directory entry; 0 when it is not found.
int64_t GetFileSize64(const std::wstring& path);

// The system's message text for an error code, in code page 932, never
// empty ("Error <n>" when the system has no text).
std::string SystemErrorText(DWORD code);

// Opens a file the way the page display reads it: read access, sharing read
// and write, existing file, sequential scan. INVALID_HANDLE_VALUE on failure.
HANDLE OpenForReading(const std::wstring& path);

// Reads up to `wanted` bytes at the file pointer (short reads are repeated);
// every 0 unit (unit 1: byte, unit 2: 16-bit unit) becomes the placeholder
// 0x01 (bytes 01 00). *got gets the bytes read; *info (optional) how many
// NUL units were replaced and whether a genuine placeholder value was there
// already. Each caller keeps that count with its text. False when a read
// fails.
bool ReadFileNulSafe(HANDLE h, void* buf, int unit, DWORD wanted, DWORD* got,
                     pagetext::NulSafeResult* info = nullptr);

// ---- the viewable size

// Files are viewed up to this size (2^50 bytes, 1024 TB); beyond it the size
// shown and the slider are capped and deleting is disabled.
int64_t ViewableSizeLimit();
// Replaces the limit (0 or below: the default again). For tests, since files
// of that size cannot be made everywhere.
void SetViewableSizeLimitForTest(int64_t limit);

struct ViewableSize {
  int64_t size = 0;     // the size the display works with
  bool capped = false;  // the real size is above the limit
};
ViewableSize CapToViewable(int64_t realSize);

// ---- a read callback over an open file

// Seeks and reads through the seam; bytes read, or -1 on failure. The handle
// must stay open while the callback is used.
textio::ReadAt FileReader(HANDLE h);

// Whether the key is held now.
bool IsKeyDown(int virtualKey);
