// How the song database object runs the steps of its methods: the retry of a step that failed with
// engine error 3075, and the workspace transaction a writer begins and ends itself.
#pragma once

#include <functional>

#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoWorkspace.h"

namespace qh::dblib {

// Inside a catch-all: a framework exception (thrown as a heap pointer) is freed, anything else is left
// to the handler; nothing is rethrown.
void DeleteCaughtFrameworkException() noexcept;

// Number of the first error of an engine exception (0 when its list is empty).
long FirstDaoErrorCode(CDaoException* e);

// Test seam: a function run before every retried step; it may throw a CDaoException* as the engine
// would, so that tests can drive the retry path. Empty in programs.
void SetDaoStepFault(std::function<void()> fault);
void RunDaoStepFault();

// One method call's retries of error 3075: a step that throws it runs again, at most five times
// in all per call; the sixth such exception leaves like any other.
class DaoRetry {
 public:
  static constexpr int kMaxRetries = 5;

  template <typename Step>
  auto Run(Step&& step) -> decltype(step()) {
    for (;;) {
      try {
        RunDaoStepFault();
        return step();
      } catch (CDaoException* e) {
        if (m_retries >= kMaxRetries || FirstDaoErrorCode(e) != kDaoErrSyntaxInExpression) throw;
        e->Delete();
        ++m_retries;
      }
    }
  }
  int Retries() const { return m_retries; }

 private:
  int m_retries = 0;
};

// A writer's own transaction on the database's workspace: rolled back unless committed, also when
// an exception leaves the writer.
class WorkspaceTransaction {
 public:
  explicit WorkspaceTransaction(CDaoDatabase* database) : m_workspace(database->m_pWorkspace) {
    m_workspace->BeginTrans();
    m_open = true;
  }
  ~WorkspaceTransaction() { Rollback(); }
  WorkspaceTransaction(const WorkspaceTransaction&) = delete;
  WorkspaceTransaction& operator=(const WorkspaceTransaction&) = delete;

  void Commit() {
    m_workspace->CommitTrans();
    m_open = false;
  }
  // Never throws: a rollback runs on paths that are already failing.
  void Rollback() noexcept;

 private:
  CDaoWorkspace* m_workspace;
  bool m_open = false;
};

}  // namespace qh::dblib
