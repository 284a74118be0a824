// The viewer's clipboard text: copying puts the text as CF_UNICODETEXT together
// with a "Preferred DropEffect" of 0; reading takes CF_UNICODETEXT, or else
// CF_TEXT read as code page 932.
#pragma once
#include <windows.h>
#include <string>

namespace viewerclip {

// Puts text on the clipboard with owner as its owner. A block that the clipboard
// did not take (the clipboard could not be opened, or a set failed) is freed
// again. Returns whether the text is on the clipboard.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

// The clipboard's text as UTF-16: CF_UNICODETEXT when present, else CF_TEXT as
// code page 932; empty when neither is there or the clipboard cannot be opened.
std::wstring GetClipboardText(HWND owner);

}  // namespace viewerclip
