// Lengths of single characters in the file's own code, for removing exactly one
// character with Backspace or Delete and for ending a range on a character
// boundary.
//
// Codes: 0 Shift_JIS, 1 UTF-16, 2 UTF-8, 3 EUC-JP, 4 JIS. Lengths are in the
// file's units: UTF-16 units for code 1, bytes otherwise.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace charlen {

// --- From the text of the view --------------------------------------------------
// The memo shows Shift_JIS text (codes 0, 3 and 4); the panes show UTF-16 text in
// native order (codes 1 and 2). The caret is an index into that text (bytes of the
// memo, units of a pane). The result is the length in the file's code of the
// character before the caret (Backspace) or at it (Delete); 0 when there is none
// in the text (caret at its start, or at its end).
//   code 0: 1 or 2 (a Shift_JIS lead byte with its trail byte);
//   code 3: 2 for a double-byte character and for half-width katakana (8E xx), else 1;
//   code 4: 2 for a double-byte character (inside a JIS double-byte run), else 1;
//   code 1: 2 units for a surrogate pair, else 1;
//   code 2: the UTF-8 length: 1, 2, 3, or 4 for a surrogate pair; 1 for a lone
//           U+DC80-U+DCFF, which stands for one raw byte of the file.
// The three-byte EUC-JP characters (8F xx xx) cannot be told from the memo's text;
// EucLengthAt/EucLengthBefore give them from the file's bytes.
int NarrowViewLengthBefore(int code, const char* text, size_t length, size_t caret);
int NarrowViewLengthAt(int code, const char* text, size_t length, size_t caret);
int WideViewLengthBefore(int code, const wchar_t* text, size_t length, size_t caret);
int WideViewLengthAt(int code, const wchar_t* text, size_t length, size_t caret);

inline int ViewLengthBefore(int code, const std::string& t, size_t caret) {
  return NarrowViewLengthBefore(code, t.data(), t.size(), caret);
}
inline int ViewLengthAt(int code, const std::string& t, size_t caret) {
  return NarrowViewLengthAt(code, t.data(), t.size(), caret);
}
inline int ViewLengthBefore(int code, const std::wstring& t, size_t caret) {
  return WideViewLengthBefore(code, t.data(), t.size(), caret);
}
inline int ViewLengthAt(int code, const std::wstring& t, size_t caret) {
  return WideViewLengthAt(code, t.data(), t.size(), caret);
}

// --- Lengths of view text in the file's code -------------------------------------
// UTF-8 bytes of pane text (surrogate pairs 4, lone U+DC80-U+DCFF 1).
int64_t Utf8LengthOfWide(const wchar_t* text, size_t length);
// EUC-JP bytes of memo (Shift_JIS) text: half-width katakana take 2.
int64_t EucLengthOfSjis(const char* text, size_t length);
// JIS bytes of memo (Shift_JIS) text as the conversion writes it: each double-byte
// run wrapped in ESC $ B ... ESC ( B, each kana run in SO ... SI (kanaByShiftOut)
// or ESC ( I ... ESC ( B.
int64_t JisLengthOfSjis(const char* text, size_t length, bool kanaByShiftOut);

// Start of the Shift_JIS character that holds byte i of text (i itself, or i - 1
// when byte i is the trail byte of a pair). Counts from the start of the text.
size_t SjisCharStart(const char* text, size_t length, size_t i);

// --- From the file's bytes -------------------------------------------------------
// EUC-JP: the character that begins at p (avail bytes readable there): 3 for
// 8F xx xx, 2 for 8E xx and for a pair of bytes A1-FE, else 1; 0 when avail is 0.
int EucLengthAt(const unsigned char* p, size_t avail);
// EUC-JP: the character that ends at the end of buf (len bytes before the caret).
// buf must reach back to a byte below 0xA1, or start at a character boundary.
int EucLengthBefore(const unsigned char* buf, size_t len);
// UTF-8: the character that begins at p; a lone continuation byte counts 1.
int Utf8LengthAt(const unsigned char* p, size_t avail);
// UTF-8: the character that ends at the end of buf (at most 4 bytes looked at).
int Utf8LengthBefore(const unsigned char* buf, size_t len);

// How far (bytes) the end of buf must move back so that it does not cut a
// character of the file's code. buf holds the bytes just before the end; its
// start is taken as a character boundary where nothing nearer decides.
//   code 0: a Shift_JIS lead byte without its trail;
//   code 1: an odd byte, or a high surrogate without its low one (bigEndian
//           gives the unit order of the file);
//   code 2: an incomplete UTF-8 sequence;
//   code 3: an incomplete EUC-JP character;
//   code 4: an escape sequence cut, or the first byte of a pair inside a
//           double-byte run.
int StepBackToBoundary(int code, bool bigEndian, const unsigned char* buf, size_t len);

}  // namespace charlen
