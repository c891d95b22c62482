#include "dblib/DaoStep.h"

#include <utility>

namespace qh::dblib {

namespace {
std::function<void()>& StepFault() {
  static std::function<void()> fault;
  return fault;
}
}  // namespace

long FirstDaoErrorCode(CDaoException* e) {
  if (e == nullptr || e->GetErrorCount() == 0) return 0;
  e->GetErrorInfo(0);
  return e->m_pErrorInfo != nullptr ? e->m_pErrorInfo->m_lErrorCode : 0;
}

void SetDaoStepFault(std::function<void()> fault) { StepFault() = std::move(fault); }

void RunDaoStepFault() {
  if (StepFault()) StepFault()();
}

void WorkspaceTransaction::Rollback() noexcept {
  if (!m_open) return;
  m_open = false;
  try {
    m_workspace->Rollback();
  } catch (CDaoException* e) {
    e->Delete();
  } catch (...) {
    DeleteCaughtFrameworkException();
  }
}

void DeleteCaughtFrameworkException() noexcept {
  try {
    throw;
  } catch (CException* e) {
    e->Delete();
  } catch (...) {
  }
}

}  // namespace qh::dblib
