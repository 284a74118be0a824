// Memory for large reads, placed so that its start lines up with the file
// offset the read starts at (the same place within 64 bytes). The system's
// copy out of its file cache runs on whole words on both sides then; a
// destination that does not line up with the source costs up to three times
// as much (seen under wine: 1 GiB read in 1 MiB pieces in 0.12 s lined up,
// 0.17 to 0.4 s not). Offsets drift in long scans (a window that ends in the
// middle of a CR LF is taken one byte further), so each read asks anew.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace readarea {

constexpr size_t kLine = 64;

class ReadArea {
 public:
  // Room for n bytes whose start lines up with file offset pos; null when
  // memory runs out. The room stays the same memory while n fits what is
  // held; its contents are kept only where the start does not move.
  uint8_t* Place(int64_t pos, size_t n);
  // What Place last gave, and how much it holds.
  uint8_t* data() const { return at_; }
  size_t size() const { return size_; }

 private:
  std::unique_ptr<uint8_t[]> own_;
  size_t capacity_ = 0;  // bytes in own_
  uint8_t* at_ = nullptr;
  size_t size_ = 0;
};

}  // namespace readarea
