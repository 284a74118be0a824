// Texts of the status bar and small display helpers of the main window.
#pragma once
#include <cstdint>
#include <string>

namespace statustext {

// A size as the status bar shows it: the number with at most one decimal place
// (rounded to the nearest, half up; no ".0"), an optional space, and the unit:
// "PB" from 2^50, "TB" from 2^40, "GB" from 2^30, "MB" from 2^20, "KB" from 1024,
// else "B". 1536 gives "1.5 KB" (or "1.5KB" without the space).
std::wstring FormatSize(bool withSpace, uint64_t value);

// Panel3's text for the selection: with the line-count box on, the selection's
// line count followed by " 行", or "select over" when the selection is larger
// than Edit Max; otherwise its size (FormatSize with space).
std::wstring SelectionStatusText(bool lineCountBox, int64_t lineCount, int64_t selectionBytes,
                                 int64_t editMaxBytes);

// The status bar's hint for the mouse at x, by the right edges of its first
// three panels (size, position in bytes, position): empty from the third
// panel's right edge on. Panels of 60, 100 and 55 pixels give the edges 60,
// 160 and 215.
std::wstring StatusBarHint(int x, int sizeRight, int positionRight, int pageRight);

// Each of the red, green and blue bytes: b + floor(w * (a - b) / 256), w out of
// 256 being the weight of a. Colours are 0x00BBGGRR; the top byte comes out 0.
uint32_t BlendColor(uint32_t a, uint32_t b, int w);

// A short display form of a path: the first 3 characters (2 for a path that
// begins with two backslashes), one "." per folder level (at most 30), then "[",
// the last component, "]"; unchanged when the path has no folder levels. A file
// name (a last component with "." in it, when isFolder is false) is taken off
// before the levels are counted.
std::wstring NormalizePath(const std::wstring& path, bool isFolder = false);
// The folder levels of NormalizePath.
int PathDepth(const std::wstring& path, bool isFolder = false);
// Removes a trailing separator, then cuts text at its last separator and returns
// what followed; empty, and text unchanged, when there is none.
std::wstring PopLastComponent(std::wstring& text, wchar_t separator);
// The last n components of path joined by backslashes.
std::wstring LastComponents(const std::wstring& path, int n);

}  // namespace statustext
