// Stand-ins for handlers of features that are not part of the program yet.
// Whoever builds one of them removes its stand-in here.
#include "viewer/VastrelForm.h"

void TVastrelForm::ConfirmBookmarkList(bool) {}
void TVastrelForm::PurgeBookmarkLists() {}
void TVastrelForm::SpeedButton6Click() {}

std::wstring TVastrelForm::GetCaretLineInfo() { return std::wstring(); }
void TVastrelForm::SendCtrlKey(HWND, char) {}
