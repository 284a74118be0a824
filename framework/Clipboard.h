// The clipboard: text as UTF-16 (CF_UNICODETEXT) or as code page 932
// (CF_TEXT), format tests and the file list of a drop (CF_HDROP). Each call
// opens and closes the clipboard itself; a failing open is retried briefly
// (another program may hold it) and then reported as false / empty. Memory
// given to the clipboard is freed again when opening or setting fails.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace Clipboard {
// Replaces the clipboard's content by the text. The narrow form also places
// CF_LOCALE 0x0411 so that other programs read it as Japanese.
bool SetTextW(const std::wstring& text, HWND owner = nullptr);
bool SetText(const std::string& text932, HWND owner = nullptr);
// The text: CF_UNICODETEXT (converted for the narrow form, code page 932). An
// empty text when there is none.
std::wstring GetTextW(HWND owner = nullptr);
std::string GetText(HWND owner = nullptr);
bool HasFormat(UINT format);
bool HasText();
// The file paths of a CF_HDROP on the clipboard (empty when there is none).
std::vector<std::wstring> GetFileList(HWND owner = nullptr);
// Places a file list as CF_HDROP (for tests and for hand-over).
bool SetFileList(const std::vector<std::wstring>& paths, HWND owner = nullptr);
bool Clear(HWND owner = nullptr);
}  // namespace Clipboard
