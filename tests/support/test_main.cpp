// Shared main of every test executable. The Japanese behaviour of the program
// depends on code page 932 being the system's ANSI code page; a test run under
// another locale would pass or fail by accident, so it stops here loudly.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (GetACP() != 932 && !std::getenv("VASTREL_ALLOW_ANY_CODEPAGE")) {
    std::fprintf(stderr,
                 "FATAL: the ANSI code page is %u, not 932. Run the tests with "
                 "LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 (scripts/test does).\n",
                 GetACP());
    return 2;
  }
  testing::InitGoogleTest(&argc, argv);
  // COM on the test thread, as the program has it from its start.
  const HRESULT com = CoInitialize(nullptr);
  const int result = RUN_ALL_TESTS();
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
