#include "recorder/capture/CompressionWorker.h"

#include <new>

#include "platform/core/Exception.h"
#include "recorder/capture/WorkerReport.h"

CCompressionWorker::CCompressionWorker(HWND owner) : CWinThread(ThreadProc, this), m_owner(owner) {
  m_bAutoDelete = FALSE;
}

UINT CCompressionWorker::ThreadProc(LPVOID self) {
  static_cast<CCompressionWorker*>(self)->ThreadMain();
  return 0;
}

int CCompressionWorker::IsBusy(int* done) {
  CSingleLock lock(&m_jobLock, TRUE);
  if (done != nullptr) *done = m_done;
  return m_percent;
}

CString CCompressionWorker::GetStatus() {
  CSingleLock lock(&m_jobLock, TRUE);
  return m_status;
}

BOOL CCompressionWorker::Stop() {
  CSingleLock lock(&m_jobLock, TRUE);
  m_state = kStop;
  m_jobEvent.SetEvent();
  return TRUE;
}

int CCompressionWorker::GetErrorCode() {
  CSingleLock lock(&m_jobLock, TRUE);
  return m_errorCode;
}

bool CCompressionWorker::AcceptJob() {
  if (m_state != kIdle) return false;
  m_done = 0;
  m_percent = 0;
  return true;
}

void CCompressionWorker::HandOverJob() {
  m_state = kHandedOver;
  m_jobEvent.SetEvent();
}

bool CCompressionWorker::Step() {
  switch (m_state) {
    case kIdle:
      m_jobEvent.ResetEvent();
      return true;
    case kHandedOver:
      StartJob();
      m_state = kWorking;
      return true;
    case kWorking:
      if (!WorkStep()) m_state = kFinishing;
      return true;
    case kFinishing:
      FinishJob();
      CloseJob();
      m_done = 1;
      m_state = kIdle;
      return true;
    case kStop:
      CloseJob();
      return false;
    default:
      return false;
  }
}

void CCompressionWorker::ThreadMain() {
  for (;;) {
    m_jobEvent.Lock(INFINITE);
    CSingleLock lock(&m_jobLock, TRUE);
    int code = 0;
    const char* failure = nullptr;
    bool goOn = false;
    try {
      goOn = Step();
    } catch (int error) {
      code = error;
    } catch (std::bad_alloc&) {
      failure = "Not enough memory to complete the last command. Please reboot the system.";
    } catch (CException* exception) {
      exception->Delete();
      failure = "An unexpected error has occurred in the Compressor Thread. Please write down what you did before "
                "this message appeared and call Tech Support.";
    }
    if (code == 0 && failure == nullptr) {
      if (goOn) continue;
      return;
    }
    CloseJob();
    m_errorCode = code != 0 ? code : -1;
    CString text = code != 0 ? ErrorText(code) : CString(failure);
    lock.Unlock();
    ReportWorkerError(m_owner, m_errorCode, text);
    return;
  }
}
