// The job machinery the conversion and MP3 workers share: a thread object with one job at a time
// behind AddJob (in the worker), IsBusy, GetStatus and Stop; a mutex guards the job state, the job
// event wakes the thread, the done event marks a job whose files are closed. The thread loop takes the
// lock for one step at a time. A failure (an integer code thrown by a step) ends the thread after the
// job's resources are released; the code stays for GetErrorCode and the message goes to the owner
// window (WorkerReport.h).
#pragma once

#include "platform/core/CString.h"
#include "platform/core/Sync.h"
#include "platform/core/Thread.h"
#include "platform/ui/WinUser.h"

class CCompressionWorker : public CWinThread {
 public:
  enum : UINT { kIdle = 0, kHandedOver = 1, kWorking = 2, kFinishing = 3, kStop = 7 };

  ~CCompressionWorker() override = default;

  // The percent of the job, and its done flag (1 once it finished normally).
  int IsBusy(int* done);
  CString GetStatus();
  BOOL Stop();
  // 0 while no job failed; otherwise the code of the failure that ended the thread (-1 for an
  // exception without a code).
  int GetErrorCode();

  CEvent m_doneEvent{FALSE, TRUE};
  CEvent m_jobEvent{FALSE, TRUE};

 protected:
  explicit CCompressionWorker(HWND owner);

  // AddJob's frame, with the job lock held: false unless idle; clears the done flag and the percent.
  bool AcceptJob();
  void HandOverJob();

  // The steps, each run with the job lock held; a failure throws its integer code.
  virtual void StartJob() = 0;
  virtual bool WorkStep() = 0;  // true while there is more to do
  virtual void FinishJob() = 0;
  virtual void CloseJob() = 0;  // releases the job's resources and sets the done event
  virtual CString ErrorText(int code) const = 0;

  CMutex m_jobLock;
  UINT m_state = kIdle;
  int m_percent = 0;
  int m_done = 0;
  int m_errorCode = 0;
  CString m_status;
  HWND m_owner;

 private:
  static UINT ThreadProc(LPVOID self);
  void ThreadMain();
  bool Step();
};
