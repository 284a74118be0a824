// The two exports of Selvane.dll as the program resolves them:
// LoadLibraryA("Selvane"), then GetProcAddress(h, "_StringConversion") and
// GetProcAddress(h, "_DeleteBuf"). Types only: the program never links the library.
//
// _StringConversion(text, mode, type, toHalf, extra): NUL-terminated code page 932
// texts in, the converted text out (owned by the library until _DeleteBuf, the next
// conversion or the unloading), or null when no mode and no type matched.
// Both sides are mingw GCC: cdecl, and bool is one byte in a 4-byte stack slot.
#pragma once

typedef char* (__cdecl* StringConversionProc)(const char* text, const char* mode, int type, bool toHalf,
                                              const char* extra);
typedef void(__cdecl* DeleteBufProc)(void);
