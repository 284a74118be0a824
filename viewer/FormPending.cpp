// Stand-ins for handlers of features that are not part of the program yet.
// Whoever builds one of them removes its stand-in here.
#include "viewer/VastrelForm.h"

void TVastrelForm::ConfirmBookmarkList(bool) {}
void TVastrelForm::PurgeBookmarkLists() {}
void TVastrelForm::SpeedButton6Click() {}

// The line number of a jump: no input box yet.
bool TVastrelForm::AskLineNumber(std::wstring&) { return false; }
std::wstring TVastrelForm::GetCaretLineInfo() { return std::wstring(); }
void TVastrelForm::SendCtrlKey(HWND, char) {}
