// The extent in a JIS (ISO-2022-JP) file of a range given by its text: the
// selection of a JIS file counts the bytes of its text (as the Shift_JIS view
// shows it), and the escape sequences and shift bytes in the file come on top.
#pragma once
#include <cstddef>
#include <cstdint>

#include "text/ReadAt.h"

namespace jisrange {

// Length of the escape sequence or shift byte at p (avail bytes readable):
// ESC ( B, ESC ( J, ESC ( I, ESC $ @, ESC $ B and ESC & @ 3, ESC $ ( D 4,
// SO and SI 1; 0 for a text byte.
int ControlLengthAt(const unsigned char* p, size_t avail);

// Bytes of the file from start that hold textBytes bytes of text, the escape
// sequences and shift bytes between them included (none after the last text
// byte); shorter at the end of the file; -1 when a read fails.
int64_t FileLengthForText(const textio::ReadAt& read, int64_t start, int64_t textBytes);

// The other way: the text bytes among the fileBytes bytes of the file from
// start (escape sequences and shift bytes left out); -1 when a read fails.
int64_t TextBytesIn(const textio::ReadAt& read, int64_t start, int64_t fileBytes);

}  // namespace jisrange
