// One place that knows whether long work runs on the file: an insertion, a
// deletion, an edit write-back, a search or a whole-file conversion, or an edit
// dialog is open. Every command that changes, opens or converts the file asks
// it first (typed delete and insert, the panes' Ctrl shortcuts, the Edit menu,
// open, paste-open, a forced code change); the menus show the same state. Files
// dropped or handed over by a second start while work runs are kept and handed
// back when the work ends, to be opened then.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vastrel {

class WorkGuard {
 public:
  enum class Job { Insert, Delete, WriteBack, Search, Convert, EditDialog };

  // A drop or hand-over that came while work ran.
  struct PendingOpen {
    enum class Kind { Drop, HandOver } kind;
    std::vector<std::wstring> paths;
  };

  // No work runs and no edit dialog is open: file commands may start.
  bool Idle() const { return depth_ == 0; }
  // An insertion, deletion or write-back runs: the window must not close.
  bool HoldsClose() const;
  // True while a job of that kind runs.
  bool Running(Job job) const;

  // Starts a job; false (and nothing changes) when other work runs already,
  // except that a write-back may run from inside the open edit dialog.
  bool Begin(Job job);
  // Ends a job begun with Begin; true when the guard is idle afterwards (the
  // caller then opens what TakePending gives).
  bool End(Job job);
  // The drops and hand-overs kept while work ran, oldest first, and forgets them;
  // empty while work still runs.
  std::vector<PendingOpen> TakePending();

  // A drop or hand-over: true when it may be opened now; otherwise it is kept for
  // the end of the work.
  bool OfferOpen(PendingOpen::Kind kind, std::vector<std::wstring> paths);
  bool HasPending() const { return !pending_.empty(); }
  // Called when the last job ends while drops are kept (the window posts
  // itself a message to open them once the work has unwound).
  std::function<void()> OnPendingReady;

  // Starts a job for the life of the scope (when the guard allowed it).
  class Scope {
   public:
    Scope(WorkGuard& g, Job job) : g_(g), job_(job), ok_(g.Begin(job)) {}
    ~Scope() {
      if (ok_) g_.End(job_);
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    bool Started() const { return ok_; }

   private:
    WorkGuard& g_;
    Job job_;
    bool ok_;
  };

 private:
  int counts_[6] = {};
  int depth_ = 0;
  std::vector<PendingOpen> pending_;
};

}  // namespace vastrel
