// The replace commands of the edit dialogs ("置換"): the replace dialog for
// the search and the replacement, then the walk over the dialog's text that
// asks at each occurrence with the skip-all box placed beside it. The text
// changes in the control only while asking (each accepted replacement); the
// rest replaced at once goes into the control with one write. Neither
// touches the dialog's UndoText.
#pragma once

class TInputTextDlg;
class TInputWidTextDlg;

namespace dialogs {

void RunNarrowReplace(TInputTextDlg& dialog);
void RunWideReplace(TInputWidTextDlg& dialog);

}  // namespace dialogs
