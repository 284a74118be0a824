#include "text/ReadArea.h"

#include <new>

namespace readarea {

uint8_t* ReadArea::Place(int64_t pos, size_t n) {
  at_ = nullptr;
  size_ = 0;
  if (n > SIZE_MAX - 2 * kLine) return nullptr;
  const size_t need = n + 2 * kLine;
  if (need > capacity_) {
    own_.reset(new (std::nothrow) uint8_t[need]);
    capacity_ = own_ ? need : 0;
    if (!own_) return nullptr;
  }
  const uintptr_t base = reinterpret_cast<uintptr_t>(own_.get());
  const uintptr_t lined = (base + kLine - 1) / kLine * kLine;
  at_ = own_.get() + (lined - base) + static_cast<size_t>(static_cast<uint64_t>(pos) % kLine);
  size_ = n;
  return at_;
}

}  // namespace readarea
