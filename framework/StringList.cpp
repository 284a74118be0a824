#include "framework/StringList.h"

#include "framework/Cp932.h"

#include <algorithm>
#include <cstring>

wchar_t* NewWideCopy(const std::wstring& text) {
  wchar_t* block = new wchar_t[text.size() + 1];
  if (!text.empty()) std::memcpy(block, text.data(), text.size() * sizeof(wchar_t));
  block[text.size()] = L'\0';
  return block;
}

void FreeWideCopy(wchar_t* block) { delete[] block; }

int TStrings::IndexOf(const std::string& text) const {
  for (int i = 0; i < Count(); ++i)
    if (Get(i) == text) return i;
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string s = Get(index);
  auto p = s.find('=');
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int index) const {
  std::string s = Get(index);
  auto p = s.find('=');
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string s = Get(i);
    auto p = s.find('=');
    if (p != std::string::npos && s.compare(0, p, name) == 0 && p == name.size()) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (i < 0)
    Add(name + "=" + value);
  else
    Put(i, name + "=" + value);
}

std::string TStrings::Text() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) out += Get(i) + "\r\n";
  return out;
}

void TStrings::SetText(const std::string& text) {
  Clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > pos && text[stop - 1] == '\r') --stop;
    Add(text.substr(pos, stop - pos));
    pos = end + 1;
  }
}

TStringList::~TStringList() { Clear(); }

std::string TStringList::Get(int index) const { return Valid(index) ? items_[index].text : std::string(); }

void TStringList::Put(int index, const std::string& text) {
  if (Valid(index)) items_[index].text = text;
}

wchar_t* TStringList::GetObject(int index) const { return Valid(index) ? items_[index].object : nullptr; }

void TStringList::PutObject(int index, wchar_t* object) {
  if (!Valid(index)) {
    FreeWideCopy(object);  // the list owns what it is given
    return;
  }
  if (items_[index].object != object) FreeWideCopy(items_[index].object);
  items_[index].object = object;
}

wchar_t* TStringList::TakeObject(int index) {
  if (!Valid(index)) return nullptr;
  wchar_t* o = items_[index].object;
  items_[index].object = nullptr;
  return o;
}

int TStringList::AddObject(const std::string& text, wchar_t* object) {
  items_.push_back(Item{text, object});
  return Count() - 1;
}

void TStringList::Insert(int index, const std::string& text, wchar_t* object) {
  if (index < 0) index = 0;
  if (index > Count()) index = Count();
  items_.insert(items_.begin() + index, Item{text, object});
}

void TStringList::Delete(int index) {
  if (!Valid(index)) return;
  FreeWideCopy(items_[index].object);
  items_.erase(items_.begin() + index);
}

void TStringList::Clear() {
  for (auto& it : items_) FreeWideCopy(it.object);
  items_.clear();
}

void TStringList::CustomSort(const Less& less) {
  std::stable_sort(items_.begin(), items_.end(),
                   [&](const Item& a, const Item& b) { return less(a.text, a.object, b.text, b.object); });
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) { return a.text < b.text; });
}

int AddWithWideCopy(TStrings& list, const std::wstring& text) { return list.AddObject(std::string(), NewWideCopy(text)); }

std::wstring GetItemWide(const TStrings& list, int index) {
  const wchar_t* o = list.GetObject(index);
  return o ? std::wstring(o) : std::wstring();
}

void SetItemWide(TStrings& list, int index, const std::wstring& text) { list.PutObject(index, NewWideCopy(text)); }

std::wstring ItemTextWide(const TStrings& list, int index) {
  const wchar_t* o = list.GetObject(index);
  return o ? std::wstring(o) : Cp932ToWide(list.Get(index));
}
