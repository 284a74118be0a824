// TNewDriveComboBox: an owner-drawn drop-down list of the machine's drives,
// each item an icon by drive type and "X:" with the volume label in square
// brackets. It keeps the current drive with its total and free bytes, asks
// for a retry (Retry/Cancel through the message service) when a chosen drive
// is not ready and then falls back to the last fixed drive (remembered by its
// letter), and can keep a directory list on the current drive.
//
// The list is rebuilt on every drop-down. Drive enumeration, the volume query,
// the disk sizes and the current directory come from a provider (the system's
// by default; tests put in their own).
//
// Events: OnChange when the user picks an item (after the fallback);
// OnDropDown after the rebuild. SetDrive and the other writes fire nothing.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "framework/StdCtrls.h"
#include "spare_controls/FileLists.h"

class TDriveProvider {
 public:
  virtual ~TDriveProvider() = default;
  // The logical drive strings as GetLogicalDriveStringsA gives them:
  // "A:\" NUL "C:\" NUL ... NUL.
  virtual std::string LogicalDriveStrings();
  virtual UINT DriveType(const std::string& root);
  // GetVolumeInformationA's volume name; false when the drive is not ready.
  virtual bool VolumeName(const std::string& root, std::string* name);
  // Total and free bytes of drive number drive (1 = A).
  virtual void DiskSpace(int drive, int64_t* total, int64_t* free);
  virtual std::string CurrentDirectory();
};

// Replaces the provider of the drive combo boxes made afterwards (nullptr: the
// system's); returns the previous one.
TDriveProvider* SetDriveProvider(TDriveProvider* provider);

enum TTextCase { tcLowerCase, tcUpperCase };

class TNewDriveComboBox : public TComboBox {
 public:
  explicit TNewDriveComboBox(TWinControl* parent);
  ~TNewDriveComboBox() override;

  TTextCase TextCase() const { return textCase_; }
  void SetTextCase(TTextCase c);
  void SetFont(const TFont& f);
  TDirectoryListBox* DirList() const { return dirList_; }
  void SetDirList(TDirectoryListBox* d) { dirList_ = d; }
  char Drive() const { return drive_; }
  int64_t TotalBytes() const { return total_; }
  int64_t FreeBytes() const { return free_; }
  int ItemHeight() const { return 1 - font_.Height(); }
  // The Windows drive type of list item i (0 outside the list).
  int ItemDriveType(int i) const { return i >= 0 && i < static_cast<int>(types_.size()) ? types_[i] : 0; }
  char LastFixedDrive() const { return lastFixed_; }

  void Loaded();
  void SetDrive(char letter);
  void Change();
  void DropDown();
  bool DriveUpdate() { return DriveCheck(drive_); }
  bool DriveCheck(char letter);
  bool DiskCheck(TDirectoryListBox* dirs, TFileListBox* files);
  bool Drive_Size(const std::string& root, int64_t* total, int64_t* free);
  bool CheckDriveDisk(const std::string& root, bool ask);
  // Draws item index into rect on c (selected: on navy).
  void DrawItem(TCanvas& c, int index, const RECT& rect, bool selected);

  // An item's text in the given case (whole characters; code page 932).
  static std::string ShownText(const std::string& text, TTextCase textCase);
  // Compares the drive string buffers up to their double NUL (or 255 bytes),
  // within both lengths; at the first difference copies current into saved
  // (as far as both reach) and returns false.
  static bool DataCheck(const char* current, size_t currentLen, char* saved, size_t savedLen);

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;
  void FontChanged() override;

 private:
  int FindItem(char letter);
  void SelectFallback();
  TDriveProvider* provider_;
  TTextCase textCase_ = tcLowerCase;
  TDirectoryListBox* dirList_ = nullptr;
  char drive_ = 0;
  std::vector<int> types_;
  int lastIndex_ = -1;
  char lastFixed_ = 0;  // the last chosen or found fixed drive; 0: none
  int64_t total_ = 0, free_ = 0;
  HICON icons_[5] = {};
  TCanvas canvas_;
};
