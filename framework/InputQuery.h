// The one-line input query: a small modal box with a prompt, an edit holding
// the value, OK and Cancel. Texts are code page 932. It is owned by the given
// form (nullptr: the program's active form) and centred on the screen.
#pragma once
#include <string>

#include "framework/Form.h"

class TLabel;
class TEdit;
class TButton;

class TInputQueryForm : public TForm {
 public:
  TInputQueryForm(TForm* owner, const std::string& caption, const std::string& prompt, const std::string& value);
  TLabel* Prompt = nullptr;
  TEdit* Edit = nullptr;
  TButton *OKBtn = nullptr, *CancelBtn = nullptr;
};

// Asks for value; true and the text entered on OK, false (value unchanged) on
// Cancel or a close.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value, TForm* owner = nullptr);
