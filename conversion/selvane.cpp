// Selvane.dll: the two exports around the core routines. The export
// names _StringConversion and _DeleteBuf are given literally by selvane.def; the C
// functions here are cdecl with C linkage and no dllexport.
#include <windows.h>

#include <cstring>
#include <new>
#include <string>

#include "conversion/selvane_core.h"

namespace {

// PendingResult: the last result handed out, or null.
char* g_pendingResult = nullptr;

int SystemMap(void*, uint32_t flags, const char* src, int srcLen, char* dst, int dstLen) {
  return LCMapStringA(GetUserDefaultLCID(), flags, src, srcLen, dst, dstLen);
}

void ReleasePending() {
  delete[] g_pendingResult;
  g_pendingResult = nullptr;
}

}  // namespace

// toHalf arrives as one byte in its stack slot (the caller's bool); it is read as a
// byte so that any non-zero value means full width to half width.
extern "C" char* __cdecl StringConversion(const char* text, const char* mode, int type, unsigned char toHalf,
                                          const char* extra);
extern "C" void __cdecl DeleteBuf(void);
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" char* __cdecl StringConversion(const char* text, const char* mode, int type, unsigned char toHalf,
                                          const char* extra) {
  try {
    selvane::Mapper mapper;
    mapper.map = SystemMap;
    std::string result;
    if (!selvane::StringConversion(mapper, text, mode, type, toHalf != 0, extra, &result)) return nullptr;
    char* buf = new char[result.size() + 1];  // exact size, released as an array
    std::memcpy(buf, result.c_str(), result.size() + 1);
    ReleasePending();  // the previous result, after the new buffer exists
    g_pendingResult = buf;
    return buf;
  } catch (...) {
    return nullptr;  // no exception crosses the library's border
  }
}

extern "C" void __cdecl DeleteBuf(void) { ReleasePending(); }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) ReleasePending();
  return TRUE;
}
