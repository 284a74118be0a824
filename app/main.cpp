// Program entry: single-instance check and hand-over, then the main window.
#include <windows.h>
#include <objbase.h>
#include <exception>
#include "framework/Application.h"
#include "framework/MessageService.h"
#include "viewer/SingleInstance.h"
#include "viewer/VastrelForm.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Application->SetTitle("Vastrel");
  SetMessageTitle(L"Vastrel");
  SingleInstanceGuard guard;
  if (BeginSingleInstance(guard, CommandLineArgsWide()) == StartDecision::Exit) return 0;
  // The shell's link object (shortcuts) runs in this thread's apartment.
  const HRESULT com = CoInitialize(nullptr);
  try {
    Application->Initialize();
    TVastrelForm* form = NewForm<TVastrelForm>();
    Application->SetMainForm(form);
    Application->Run();
    form->Free();
  } catch (const std::exception& e) {
    Application->ShowException(e.what());
  } catch (...) {
    Application->ShowException("Unknown error");
  }
  if (SUCCEEDED(com)) CoUninitialize();
  EndSingleInstance(guard);
  return 0;
}
