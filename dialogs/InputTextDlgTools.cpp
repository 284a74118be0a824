// The text tools of the narrow edit dialog's "文書整形" menu (sorting, line
// numbers, insertion and deletion at line starts, empty lines, indentation,
// era and year conversion) and its replace command. Not built yet: each
// handler below is a stand-in that changes nothing.
#include "dialogs/InputTextDlg.h"

void TInputTextDlg::SortUpMenuClick(TMenuItem*) {}
void TInputTextDlg::N7Click(TMenuItem*) {}
void TInputTextDlg::TopInpMenuClick(TMenuItem*) {}
void TInputTextDlg::N41Click(TMenuItem*) {}
void TInputTextDlg::IndentMenu1Click(TMenuItem*) {}
void TInputTextDlg::OutdentMenu1Click(TMenuItem*) {}
void TInputTextDlg::IndentAllDelMenuClick(TMenuItem*) {}
void TInputTextDlg::AdMenuClick(TMenuItem*) {}
void TInputTextDlg::mtsh1Click(TMenuItem*) {}
void TInputTextDlg::Replace1Click(TMenuItem*) {}
