// The open file's state, held by the main window and reset when a file is opened.
#pragma once
#include <cstdint>
#include <string>

enum TextCode { tcShiftJis = 0, tcUtf16 = 1, tcUtf8 = 2, tcEucJp = 3, tcJis = 4 };
enum ByteOrder { boBigEndian = 0, boLittleEndian = 1 };

struct DocumentState {
  std::wstring FilePath;       // UTF-16 path of the open file
  int64_t FileSize = -1;       // -1 while no file is open
  int TextCode = tcShiftJis;
  int ByteOrder = boLittleEndian;
  bool HasBom = false;
  int BomLength = 0;           // 0, 2 or 3
  int64_t PagePosition = 0;    // byte offset of the page's first byte (a line start)
  // Selection in the file's own code: UTF-16 units for TextCode 1 (the mark is
  // one unit), bytes otherwise. A negative length is a backward selection.
  int64_t SelStart = 0;
  int64_t SelLength = 0;
  int64_t FirstLineNumber = 0;
  int JisShiftState = 0;
  bool BookmarksChanged = false;
  bool LineListChanged = false;
  bool BackupOffered = false;
  std::wstring BackupPath;
};
