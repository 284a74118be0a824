// Stand-ins for the conversion library, built under other base names:
//   FAKE_RECORD: answers "<mode|type|toHalf|extra>" + text and records every call;
//   FAKE_NULL:   answers null;
//   FAKE_NO_DELETE: lacks _DeleteBuf (its .def file leaves it out).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
std::string g_log;
std::string g_result;
}  // namespace

extern "C" char* __cdecl FakeConversion(const char* text, const char* mode, int type, unsigned char toHalf,
                                        const char* extra) {
  char head[64];
  std::snprintf(head, sizeof head, "|%d|%d|", type, toHalf ? 1 : 0);
  g_log += std::string("conv(") + mode + head + extra + ")";
#ifdef FAKE_NULL
  (void)text;
  return nullptr;
#else
  g_result = std::string("<") + mode + head + extra + ">" + text;
  return &g_result[0];
#endif
}

extern "C" void __cdecl FakeDelete(void) { g_log += "delete;"; }

// The calls so far (the test keeps the library loaded itself to read it).
extern "C" const char* __cdecl FakeLog(void) { return g_log.c_str(); }
