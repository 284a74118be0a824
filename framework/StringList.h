// String lists: narrow texts (code page 932) with an optional object per
// item. The program hangs heap UTF-16 copies on items as their objects (a
// "wide object": a block of length + 1 units from NewWideCopy, freed with
// FreeWideCopy).
//
// Ownership: a list owns the wide objects put into it. Replacing an item's
// object (PutObject), deleting the item, clearing the list and destroying it
// free the old block; TakeObject hands a block back to the caller without
// freeing it. Every implementation of TStrings (TStringList here, the items
// of a list box) follows the same rule, so code written against TStrings
// never frees an object itself.
#pragma once
// <windows.h> first: its GetObject macro then renames the member below the same
// way in every unit (GetObjectW), whether or not a unit includes it itself.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// New heap copy of text with a terminating NUL unit; free with FreeWideCopy.
wchar_t* NewWideCopy(const std::wstring& text);
void FreeWideCopy(wchar_t* block);

class TStrings {
 public:
  virtual ~TStrings() = default;
  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& text) = 0;
  virtual wchar_t* GetObject(int index) const = 0;
  // Puts a new object; the previous one is freed (unless it is the same block).
  virtual void PutObject(int index, wchar_t* object) = 0;
  // Detaches the item's object and returns it; the caller owns it.
  virtual wchar_t* TakeObject(int index) = 0;
  virtual int AddObject(const std::string& text, wchar_t* object) = 0;
  virtual void Insert(int index, const std::string& text, wchar_t* object) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  int Add(const std::string& text) { return AddObject(text, nullptr); }
  std::string operator[](int index) const { return Get(index); }
  int IndexOf(const std::string& text) const;
  // name=value access: the name is the text before the first "=".
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  int IndexOfName(const std::string& name) const;
  std::string Values(const std::string& name) const;
  void SetValue(const std::string& name, const std::string& value);
  // All items joined, each followed by CR LF; setting splits at CR LF / LF.
  std::string Text() const;
  void SetText(const std::string& text);
};

class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& text) override;
  wchar_t* GetObject(int index) const override;
  void PutObject(int index, wchar_t* object) override;
  wchar_t* TakeObject(int index) override;
  int AddObject(const std::string& text, wchar_t* object) override;
  void Insert(int index, const std::string& text, wchar_t* object) override;
  void Delete(int index) override;
  void Clear() override;

  // Stable sort by a caller's order; strings and objects move together.
  using Less = std::function<bool(const std::string& aText, const wchar_t* aObject, const std::string& bText,
                                  const wchar_t* bObject)>;
  void CustomSort(const Less& less);
  // Byte-wise sort of the texts.
  void Sort();

 private:
  struct Item {
    std::string text;
    wchar_t* object = nullptr;
  };
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  std::vector<Item> items_;
};

// The item helpers for lists that carry UTF-16 texts as wide objects.
// Adds an item with an empty text and a heap copy of text; returns its index.
int AddWithWideCopy(TStrings& list, const std::wstring& text);
// The item's UTF-16 text; empty when it has no object.
std::wstring GetItemWide(const TStrings& list, int index);
// Replaces the item's object by a copy of text (the old block is freed).
void SetItemWide(TStrings& list, int index, const std::wstring& text);
// The item's UTF-16 text when it has an object, else its narrow text widened.
std::wstring ItemTextWide(const TStrings& list, int index);
