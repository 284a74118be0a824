// The long-work guard: one job at a time, the close hold, drops kept for later.
#include <gtest/gtest.h>

#include "viewer/WorkGuard.h"

using vastrel::WorkGuard;
using Job = WorkGuard::Job;
using Kind = WorkGuard::PendingOpen::Kind;

namespace {

TEST(WorkGuard, EveryJobRefusesEveryOtherAndHoldsCloseOnlyForFileMoves) {
  const Job jobs[] = {Job::Insert, Job::Delete, Job::WriteBack, Job::Search, Job::Convert, Job::EditDialog};
  for (Job running : jobs) {
    WorkGuard g;
    ASSERT_TRUE(g.Begin(running));
    EXPECT_FALSE(g.Idle());
    const bool holds = running == Job::Insert || running == Job::Delete || running == Job::WriteBack;
    EXPECT_EQ(g.HoldsClose(), holds) << static_cast<int>(running);
    for (Job other : jobs) {
      if (running == Job::EditDialog && other == Job::WriteBack) continue;
      EXPECT_FALSE(g.Begin(other)) << static_cast<int>(running) << " then " << static_cast<int>(other);
    }
    EXPECT_TRUE(g.End(running));
    EXPECT_TRUE(g.Idle());
    EXPECT_FALSE(g.HoldsClose());
  }
}

TEST(WorkGuard, WriteBackRunsInsideTheOpenEditDialogOnly) {
  WorkGuard g;
  ASSERT_TRUE(g.Begin(Job::EditDialog));
  ASSERT_TRUE(g.Begin(Job::WriteBack));
  EXPECT_TRUE(g.HoldsClose());
  EXPECT_FALSE(g.Begin(Job::WriteBack));
  EXPECT_FALSE(g.Begin(Job::Delete));
  EXPECT_FALSE(g.End(Job::WriteBack));  // the dialog is still open
  EXPECT_FALSE(g.Idle());
  EXPECT_TRUE(g.End(Job::EditDialog));
}

TEST(WorkGuard, DropsAndHandOversWaitForTheEndOfWork) {
  WorkGuard g;
  EXPECT_TRUE(g.OfferOpen(Kind::Drop, {L"C:\\a.txt"}));  // idle: open now
  EXPECT_FALSE(g.HasPending());
  {
    WorkGuard::Scope work(g, Job::Delete);
    ASSERT_TRUE(work.Started());
    EXPECT_FALSE(g.OfferOpen(Kind::Drop, {L"C:\\b.txt", L"C:\\c.txt"}));
    EXPECT_FALSE(g.OfferOpen(Kind::HandOver, {L"C:\\d.txt"}));
    EXPECT_TRUE(g.TakePending().empty());  // not while the work runs
    WorkGuard::Scope second(g, Job::Search);
    EXPECT_FALSE(second.Started());
  }
  EXPECT_TRUE(g.Idle());
  const auto pending = g.TakePending();
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(pending[0].kind, Kind::Drop);
  EXPECT_EQ(pending[0].paths, (std::vector<std::wstring>{L"C:\\b.txt", L"C:\\c.txt"}));
  EXPECT_EQ(pending[1].kind, Kind::HandOver);
  EXPECT_TRUE(g.TakePending().empty());
}

TEST(WorkGuard, EndOfAJobThatDidNotStartChangesNothing) {
  WorkGuard g;
  ASSERT_TRUE(g.Begin(Job::Insert));
  EXPECT_FALSE(g.End(Job::Search));
  EXPECT_FALSE(g.Idle());
  EXPECT_TRUE(g.Running(Job::Insert));
  EXPECT_TRUE(g.End(Job::Insert));
}

}  // namespace
