// Ini files.
//
// TIniFile: one value at a time through the system's profile functions,
// narrow texts (code page 932). With wideApi (the default) it calls the W
// functions, so the file's path may hold any character; the file itself
// stays a code page 932 text file either way. Without wideApi the A functions
// get the path and texts as code page 932 bytes.
// The profile functions drop blanks around a value and one pair of quotes
// enclosing it; WriteString therefore puts quotes around a value that
// begins or ends with a blank or is itself enclosed in quotes, so that
// ReadString gives back exactly what was written.
//
// TMemIniFile: the whole file in memory. It reads UTF-16LE or UTF-16BE
// (by their marks), UTF-8 with mark, and code page 932 otherwise; UpdateFile
// writes it back as UTF-16LE with the mark FF FE and CR LF line ends.
// Section and key names are compared with ASCII letters folded; values are
// kept exactly as they stand after the "=". Lines outside any section are
// dropped; lines without "=" inside a section are kept as they are.
#pragma once
#include <string>
#include <vector>

#include "framework/StringList.h"

class TIniFile {
 public:
  explicit TIniFile(const std::wstring& path, bool wideApi = true);
  const std::wstring& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Decimal, "0x"/"$" hex; anything else gives def.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  // Read as an integer, non-zero is true; written as "1" or "0".
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  bool WriteBool(const std::string& section, const std::string& key, bool value);
  bool ValueExists(const std::string& section, const std::string& key) const;
  bool SectionExists(const std::string& section) const;
  void ReadSection(const std::string& section, TStrings& keys) const;
  void ReadSections(TStrings& sections) const;
  bool EraseSection(const std::string& section);
  bool DeleteKey(const std::string& section, const std::string& key);

 private:
  // Raw text of the names list (section null: section names; key null: keys).
  std::wstring ReadRaw(const wchar_t* section, const wchar_t* key, const wchar_t* def) const;
  std::wstring path_;
  bool wide_;
};

class TMemIniFile {
 public:
  // Reads the file when it exists; a missing or unreadable file gives an
  // empty ini (Loaded() false).
  explicit TMemIniFile(const std::wstring& path);
  const std::wstring& FileName() const { return path_; }
  bool Loaded() const { return loaded_; }

  bool SectionExists(const std::wstring& section) const;
  bool ValueExists(const std::wstring& section, const std::wstring& key) const;
  std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& def) const;
  void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  int ReadInteger(const std::wstring& section, const std::wstring& key, int def) const;
  void WriteInteger(const std::wstring& section, const std::wstring& key, int value);
  bool ReadBool(const std::wstring& section, const std::wstring& key, bool def) const;
  void WriteBool(const std::wstring& section, const std::wstring& key, bool value);
  void EraseSection(const std::wstring& section);
  void DeleteKey(const std::wstring& section, const std::wstring& key);

  // Narrow (code page 932) lists, as the framework's string lists hold them.
  void ReadSection(const std::wstring& section, TStrings& keys) const;       // key names
  void ReadSections(TStrings& sections) const;                               // section names
  void ReadSectionValues(const std::wstring& section, TStrings& lines) const;  // "name=value"
  // The same as UTF-16.
  std::vector<std::wstring> SectionKeys(const std::wstring& section) const;
  std::vector<std::wstring> SectionNames() const;
  std::vector<std::wstring> SectionValueLines(const std::wstring& section) const;

  // Whole text (lines joined by CR LF, ending with CR LF).
  std::wstring Text() const;
  void SetText(const std::wstring& text);
  void Clear() { sections_.clear(); }
  // Writes the file; false when it could not be written completely.
  bool UpdateFile() const;

 private:
  struct Entry {
    std::wstring key;  // for a line without "=": the whole line
    std::wstring value;
    bool hasValue = true;
  };
  struct Section {
    std::wstring name;
    std::vector<Entry> entries;
  };
  const Section* Find(const std::wstring& name) const;
  Section* Find(const std::wstring& name);
  std::wstring path_;
  bool loaded_ = false;
  std::vector<Section> sections_;
};

// Replaces a file's content by bytes without leaving a half-written file:
// the bytes go to path + ".new", which then replaces the file. When the
// folder does not allow that (or the file is held open), the file is
// written in place and cut after the bytes. False, with the system's error
// code in GetLastError, when the content could not be written completely.
bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes);

// Reads from an open handle's file pointer to the end of the file, appending
// to bytes; false when a read fails.
bool ReadToEnd(void* handle, std::string& bytes);
// Reads a whole file (opened for reading, shared for reading and writing)
// into bytes; false when it cannot be opened or read.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);

// Decodes the bytes of a text file by its mark: FF FE UTF-16LE, FE FF
// UTF-16BE, EF BB BF UTF-8, else code page 932. The mark is not returned.
std::wstring DecodeTextFileBytes(const std::string& bytes);
