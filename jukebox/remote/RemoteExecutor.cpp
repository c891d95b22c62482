#include "jukebox/remote/RemoteExecutor.h"

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/remote/ActionGroups.h"
#include "jukebox/remote/RemoteAction.h"
#include "platform/ui/AfxWin.h"

namespace {

constexpr LONG kIllegalActionCode = -3;
constexpr const char* kIllegalActionText = "Illegal actionName entered";

ActionEnd RunGroup(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  switch (GroupOfAction(id)) {
    case RemoteActionGroup::Song: return ExecuteSongAction(executor, id, action);
    case RemoteActionGroup::Search: return ExecuteSearchAction(executor, id, action);
    case RemoteActionGroup::Transport: return ExecuteTransportAction(executor, id, action);
    case RemoteActionGroup::Key: return ExecuteKeyAction(executor, id, action);
    case RemoteActionGroup::Query: return ExecuteQueryAction(executor, id, action);
    case RemoteActionGroup::None: break;
  }
  return ActionEnd::NotHandled;
}

}  // namespace

CRemoteExecutor::CRemoteExecutor(CRemoteExecutorHost& host) : m_host(host) { FillRemoteActionMap(m_remoteActionMap); }

int CRemoteExecutor::FindActionIndex(const CString& name) const {
  auto found = m_remoteActionMap.find(name);
  return found == m_remoteActionMap.end() ? ACTION_UNKNOWN : found->second;
}

bool CRemoteExecutor::ExecuteAction(CRemoteAction& action) {
  const int id = FindActionIndex(action.GetName());
  // While a chooser dialog is open every action is a key for it, unknown names included.
  if (CWnd* chooser = m_host.ChooserDialog()) {
    ::PostMessage(chooser->GetSafeHwnd(), kMsgChooserRemoteKey, static_cast<WPARAM>(id), 0);
    action.SetResult(0, "OK");
    m_host.ActionCompleted();
    return true;
  }
  const ActionEnd end = id >= ACTION_UNKNOWN ? ActionEnd::NotHandled : RunGroup(*this, id, action);
  switch (end) {
    case ActionEnd::NotHandled:
      action.SetResult(kIllegalActionCode, kIllegalActionText);
      m_host.ActionCompleted();
      break;
    case ActionEnd::Finished: m_host.ActionCompleted(); break;
    case ActionEnd::EndsLater:
    case ActionEnd::FinishedInline: break;
  }
  return true;
}

CJukeboxApp* CRemoteExecutor::App() { return JukeboxApp(); }

tQHDb* CRemoteExecutor::SongDatabase() {
  CJukeboxApp* app = App();
  return app ? app->GetSongDatabase() : nullptr;
}

CPlayerBase* CRemoteExecutor::SubDevicePlayer(const CRemoteAction& action) {
  const LONG zone = action.GetSubDevice();
  if (zone < 0 || zone >= m_host.ZoneCount()) return nullptr;
  return m_host.ZonePlayer(static_cast<int>(zone));
}

CPlayerBase* CRemoteExecutor::CurrentZonePlayer() {
  const int zone = m_host.CurrentZone();
  if (zone < 0 || zone >= m_host.ZoneCount()) return nullptr;
  return m_host.ZonePlayer(zone);
}
