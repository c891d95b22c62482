// The frame of the executor: the action table, the name lookup, the forwarding of every action to an
// open chooser dialog, the dispatch to the group bodies (ActionGroups.h), the unknown-action answer and
// the rule of when an action counts as finished. Everything runs on the main window's thread.
#pragma once

#include "jukebox/remote/RemoteActionIds.h"
#include "platform/core/CString.h"

class CJukeboxApp;
class CMasterWindow;
class CPlayerBase;
class CRemoteAction;
class CEventSubscriptions;
class CWnd;
class tQHDb;

// What the executor needs of the jukebox around it. The remote control implements it over the main
// window and the application; tests put their own zones behind it.
class CRemoteExecutorHost {
 public:
  virtual ~CRemoteExecutorHost() = default;
  virtual CMasterWindow* MainWindow() = 0;
  virtual int ZoneCount() = 0;
  // The zone selected on screen, 0-based.
  virtual int CurrentZone() = 0;
  // The player of zone `index` (a zone window), or null when none exists there.
  virtual CPlayerBase* ZonePlayer(int index) = 0;
  // The open chooser dialog's window, or null.
  virtual CWnd* ChooserDialog() = 0;
  // The action that is running has ended with its outcome stored. Called only from within
  // ExecuteAction; the queue ends the action once ExecuteAction returns.
  virtual void ActionCompleted() = 0;
  // Runs the completion handler at once without starting the next action.
  virtual void FinishNow() = 0;
  // Shuts the jukebox's server down as the main window's shut-down does (SvcShutdown).
  virtual void ShutdownServer() = 0;
  // The subscription store (EventSubscriptions.h); null while there is none.
  virtual CEventSubscriptions* Subscriptions() = 0;
};

// Sent to an open chooser dialog with the action id as WPARAM.
inline constexpr unsigned kMsgChooserRemoteKey = 0x8334;

class CRemoteExecutor {
 public:
  explicit CRemoteExecutor(CRemoteExecutorHost& host);

  // The id of `name` under the case-blind order, or ACTION_UNKNOWN (88).
  int FindActionIndex(const CString& name) const;
  // Runs one action; always true (the outcome is in the action's return code and message).
  bool ExecuteAction(CRemoteAction& action);
  const RemoteActionMapType& RemoteActionMap() const { return m_remoteActionMap; }

  // ---- Services of the group bodies ----
  CRemoteExecutorHost& Host() { return m_host; }
  CMasterWindow* MainWindow() { return m_host.MainWindow(); }
  CJukeboxApp* App();
  tQHDb* SongDatabase();
  CEventSubscriptions* Subscriptions() { return m_host.Subscriptions(); }
  // The zone the action aims at when its SubDevice is a zone that exists, else null.
  CPlayerBase* SubDevicePlayer(const CRemoteAction& action);
  // The zone selected on screen when it exists, else null.
  CPlayerBase* CurrentZonePlayer();
  // Ends the current action now (its answer goes out) without starting the next one.
  void FinishNow() { m_host.FinishNow(); }
  void ShutdownServer() { m_host.ShutdownServer(); }

 private:
  CRemoteExecutorHost& m_host;
  RemoteActionMapType m_remoteActionMap;
};
