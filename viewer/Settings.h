// The settings file txdata.ini (section "Orvik"), the last-folder file
// path.txt and the program's data folders.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// The main window's mirror of txdata.ini, one field per key. Texts are code
// page 932, as the file holds them.
struct ViewerSettings {
  int EditMaxMB = 1;                      // max
  int PageSizeKB = 1;                     // page (the up-down holds 8 to 128)
  int FontSize = 10;                      // fontsz
  int BookmarkFontSize = 9;               // fontszbk
  bool AutoDetectCode = false;            // bomfrg
  bool WatchFromLastLine = true;          // endline
  bool MergeUnconvertible = false;        // codechgnotinte
  int DetectSizeMB = 1;                   // chksize
  int CsvColumnMax = 10;                  // clmmax
  std::string SubstituteChar = "?";       // chmog: one character of one or two bytes
  bool SearchCaseSensitive = false;       // bigsmlmg
  bool SearchKanaSensitive = true;        // hirakanamg
  int BookmarkTitleMax = 46;              // booktitlemax
  bool DeleteMissingBookmarks = false;    // bookdelfrg
  bool ReduceFlicker = false;             // doublebuf
  bool AutoLineList = false;              // gyocreate
  bool KeepEditSelection = false;         // editselectkeep
  bool ConfirmBookmarkLoad = true;        // bookchkfrg
  std::string OpenExtensions = ".txt.ini.log";  // extlist
  // Base address of the update site, ending in "/" (the version box's update
  // check). The reserved name ".invalid" never resolves, so nothing is asked
  // of any server until an update site exists.
  std::string UpdateSite = "http://update.vastrel.invalid/";  // updatesite

  // Bytes that the code detection reads, in 64 bits.
  int64_t DetectSizeBytes() const { return static_cast<int64_t>(DetectSizeMB) * 1048576; }
};

extern const char kSettingsSection[];  // "Orvik"

// The font sizes the options offer.
constexpr int kFontSizeMin = 6, kFontSizeMax = 72;
// Holds every ranged value to the range the options dialog offers; a value
// outside takes its default, and the mended value is what is saved: font
// sizes 6-72 (defaults 10, bookmark list 9), DetectSizeMB 1-50 (1),
// BookmarkTitleMax 23-92 (46), CsvColumnMax 10-50 (10). A SubstituteChar
// that is not exactly one character of one or two bytes becomes "?".
void MendSettings(ViewerSettings& s);

// Reads every key in the file's order (missing keys and unreadable values
// give the defaults), then mends the values. unicodeMode: the W profile
// functions, so that the program folder may hold any character.
ViewerSettings LoadViewerSettings(const std::wstring& settingsFile, bool unicodeMode);
// Writes every key: max and page from the two up-down positions (as 16-bit
// values), the rest from s. False when a write failed.
bool SaveViewerSettings(const std::wstring& settingsFile, const ViewerSettings& s, int upDown1Position,
                        int upDown2Position, bool unicodeMode);

// The whole file as UTF-16 (up to its first NUL unit; an odd last byte is
// ignored). A file that cannot be opened or read: the system's message text
// through ShowMessage, and an empty text.
std::wstring ReadSmallFile(const std::wstring& path, bool unicodeMode);
// Replaces the file by the bytes; on failure the system's message text
// through ShowMessage and false.
bool WriteSmallFile(const std::wstring& path, const void* data, DWORD byteCount, bool unicodeMode);

// The folders and files beside the program.
struct StorePaths {
  std::wstring programFolder;  // with a trailing backslash
  std::wstring dataFolder;     // programFolder + "data\"
  std::wstring data1Folder;    // programFolder + "data_1\"
  std::wstring settingsFile;   // data\txdata.ini
  std::wstring bookStore;      // data\bookdata.ini
  std::wstring lineStore;      // data\gyolist.ini
  std::wstring lastFolderFile; // data\path.txt
};
// The program's folder (with a trailing backslash) from its module name.
std::wstring ProgramFolder();
StorePaths MakeStorePaths(const std::wstring& programFolder);
// Creates a folder with its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::wstring& folder);
// Creates data and data_1 when missing (no message when that fails: later
// reads and writes report their own errors).
void PrepareDataFolders(const StorePaths& paths);

// Last folder of the file dialogs: path.txt's content when the file exists.
std::wstring LoadLastFolder(const StorePaths& paths, bool unicodeMode);
// Writes the last folder to path.txt when it is not empty.
void SaveLastFolder(const StorePaths& paths, const std::wstring& folder, bool unicodeMode);
