#include <windows.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Ends when the wineserver is killed at the end of the run.
  for (;;) Sleep(INFINITE);
}
