// The text tools of the UTF-16 edit dialog's "文書整形" menu (case, width and
// kana conversions, era and year conversion, sorting, line numbers, insertion
// and deletion at line starts, empty lines, indentation) and its replace
// command. Not built yet: each handler below is a stand-in that changes nothing.
#include "dialogs/InputWidTextDlg.h"

void TInputWidTextDlg::ABCabc1Click(TMenuItem*) {}
void TInputWidTextDlg::N26Click(TMenuItem*) {}
void TInputWidTextDlg::mtshr1Click(TMenuItem*) {}
void TInputWidTextDlg::N32Click(TMenuItem*) {}
void TInputWidTextDlg::N34Click(TMenuItem*) {}
void TInputWidTextDlg::N36Click(TMenuItem*) {}
void TInputWidTextDlg::N38Click(TMenuItem*) {}
void TInputWidTextDlg::N43Click(TMenuItem*) {}
void TInputWidTextDlg::N47Click(TMenuItem*) {}
void TInputWidTextDlg::N50Click(TMenuItem*) {}
void TInputWidTextDlg::Replace1Click(TMenuItem*) {}
