#include "viewer/WorkGuard.h"

namespace vastrel {

bool WorkGuard::HoldsClose() const {
  return Running(Job::Insert) || Running(Job::Delete) || Running(Job::WriteBack);
}

bool WorkGuard::Running(Job job) const { return counts_[static_cast<int>(job)] > 0; }

bool WorkGuard::Begin(Job job) {
  // The edit dialog writes its text back while it is still open: that one nesting
  // is the dialog's own work, anything else waits.
  const bool nestedWriteBack =
      job == Job::WriteBack && depth_ == counts_[static_cast<int>(Job::EditDialog)] && depth_ == 1;
  if (depth_ != 0 && !nestedWriteBack) return false;
  ++counts_[static_cast<int>(job)];
  ++depth_;
  return true;
}

bool WorkGuard::End(Job job) {
  int& c = counts_[static_cast<int>(job)];
  if (c > 0) {
    --c;
    --depth_;
  }
  if (depth_ == 0 && !pending_.empty() && OnPendingReady) OnPendingReady();
  return depth_ == 0;
}

std::vector<WorkGuard::PendingOpen> WorkGuard::TakePending() {
  std::vector<PendingOpen> out;
  if (depth_ == 0) out.swap(pending_);
  return out;
}

bool WorkGuard::OfferOpen(PendingOpen::Kind kind, std::vector<std::wstring> paths) {
  if (Idle()) return true;
  pending_.push_back({kind, std::move(paths)});
  return false;
}

}  // namespace vastrel
