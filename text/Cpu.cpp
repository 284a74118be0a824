#include "text/Cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace cpu {

namespace {
int forcedOff = 0;  // NoSse2ForTests alive
}  // namespace

NoSse2ForTests::NoSse2ForTests() { ++forcedOff; }
NoSse2ForTests::~NoSse2ForTests() { --forcedOff; }

bool HasSse2() {
  if (forcedOff) return false;
#if defined(__i386__) || defined(__x86_64__)
  static const bool has = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (d & bit_SSE2) != 0;
  }();
  return has;
#else
  return false;
#endif
}

}  // namespace cpu
