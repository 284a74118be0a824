// The store layer of the two list stores (bookdata.ini, gyolist.ini):
// whole sections read, written, listed and erased, and the rules that keep
// both files UTF-16LE with the mark FF FE.
//
// Two paths, chosen by unicodeMode:
//  * on: the W profile functions on the UTF-16LE file; sections are read by
//    parsing the file's UTF-16 text directly (initext::SectionLinesFromText),
//    because the profile functions drop blanks around values.
//  * off: TMemIniFile, created for the call and freed at its end; it reads
//    the UTF-16 files by their mark and writes them back as UTF-16LE with
//    mark, so both paths keep one file form.
// List items: readers fill them under unicodeMode with an empty text and a
// heap UTF-16 copy as object (the list owns it); on the memory path with the
// code page 932 text. Writers take each item's object when it has one, else
// its text (ItemTextWide), so either form may be written in either mode.
// Values that begin or end with blanks, or are enclosed in quotes, are
// stored enclosed in double quotes (initext::QuoteStoreLine), because the
// profile functions drop blanks around values when they rewrite the file;
// every reader here drops that pair again, so lines come back as written.
// Failures are reported through the message service.
// The heap copies are made with NewWideCopy (framework/StringList.h).
#pragma once
#include <string>

#include "framework/StringList.h"

class IniStore {
 public:
  // bookStore: the file that the section operations without a file argument
  // work on (bookdata.ini).
  IniStore(std::wstring bookStore, bool unicodeMode) : bookStore_(std::move(bookStore)), unicode_(unicodeMode) {}
  const std::wstring& BookStore() const { return bookStore_; }
  bool UnicodeMode() const { return unicode_; }

  // unicodeMode: the section has at least one line; else: the section exists.
  bool IniSectionExists(const std::wstring& file, const std::wstring& section) const;
  // The list emptied (objects freed) and filled with the section's lines
  // "name=value". Nothing for an empty section name or a missing file.
  void ReadIniSection(const std::wstring& section, TStrings& list) const { ReadIniSectionOf(bookStore_, section, list); }
  void ReadIniSectionOf(const std::wstring& file, const std::wstring& section, TStrings& list) const;
  // Every rewrite of a store that changes its bytes keeps the file as it was
  // before as file + ".bak" (replacing an older copy).
  // The section replaced by the list's lines; false (after a message) on failure.
  bool WriteIniSection(const std::wstring& section, const TStrings& list) const {
    return WriteIniSectionOf(bookStore_, section, list);
  }
  bool WriteIniSectionOf(const std::wstring& file, const std::wstring& section, const TStrings& list) const;
  // The section's lines read from the store's UTF-16 text (appended to list,
  // each an empty text with a wide copy); nothing for a missing file or an
  // empty section name. The header is found as the system finds a path:
  // ordinal, the case of every letter folded.
  static void ReadSectionFromText(const std::wstring& file, const std::wstring& section, TStrings& list);
  // Every line of the store that begins with "[", brackets included
  // (appended as wide copies); nothing for a missing file.
  static void ReadSectionHeaders(const std::wstring& file, TStrings& list);
  // The key names of the section, or all section names for an empty section.
  void ReadIniNames(const std::wstring& section, const std::wstring& file, TStrings& list) const;
  // The section and its lines removed.
  bool EraseIniSection(const std::wstring& section) const { return EraseIniSectionOf(bookStore_, section); }
  bool EraseIniSectionOf(const std::wstring& file, const std::wstring& section) const;

  // The file exists afterwards and is UTF-16LE with mark: a missing or empty
  // file gets FF FE; a file beginning with FE FF is left alone; others go
  // through MakeFileUnicode. A file that cannot be opened stays unchanged.
  static void EnsureIniUnicode(const std::wstring& file);
  // Rewrites the file as UTF-16LE with mark unless it already is one; no
  // byte of the old file is lost:
  //  * beginning with FE FF (the other byte order): left alone;
  //  * beginning with FF FE: left alone, unless it holds a unit U+0000 or
  //    an odd byte count (set aside, below);
  //  * taken for Unicode by IsTextUnicode, holding NUL bytes and UTF-16
  //    units of the ini structure (initext::HasUtf16IniUnits): UTF-16LE
  //    without mark, FF FE put in front;
  //  * otherwise (narrow text, including text that IsTextUnicode misjudges
  //    but that holds no NUL byte): the whole code page 932 text becomes
  //    FF FE and its UTF-16 form.
  // Before a rewrite the old file is copied to file + ".bak" (replacing an
  // older copy); the new content goes to file + ".new", which then takes the
  // file's place, so a failure leaves the old file as it was (with a message).
  // A store that no UTF-16 store can hold as it is (a NUL byte or unit, which
  // the profile functions read as the end of a text; an odd byte count of
  // UTF-16 text; bytes that code page 932 cannot read back) is renamed to
  // file + ".broken" (".broken2", ... when taken), a store of only FF FE
  // takes its place, and one notice names the kept file.
  // A file that cannot be read stays unchanged (with a message).
  // True when it rewrote or replaced the file.
  static bool MakeFileUnicode(const std::wstring& file);

  // The file's size in bytes; -1 when it does not exist.
  static long long FileSize64(const std::wstring& file);

 private:
  // The rewrites themselves (the public forms keep the old file as ".bak").
  bool WriteSectionNow(const std::wstring& file, const std::wstring& section, const TStrings& list) const;
  bool EraseSectionNow(const std::wstring& file, const std::wstring& section) const;
  std::wstring bookStore_;
  bool unicode_;
};
