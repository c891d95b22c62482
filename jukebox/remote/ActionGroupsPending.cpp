// The groups whose bodies are not built yet: every id is answered as an unknown action.
#include "jukebox/remote/ActionGroups.h"

ActionEnd ExecuteSongAction(CRemoteExecutor&, int, CRemoteAction&) { return ActionEnd::NotHandled; }
ActionEnd ExecuteSearchAction(CRemoteExecutor&, int, CRemoteAction&) { return ActionEnd::NotHandled; }
ActionEnd ExecuteTransportAction(CRemoteExecutor&, int, CRemoteAction&) { return ActionEnd::NotHandled; }
ActionEnd ExecuteKeyAction(CRemoteExecutor&, int, CRemoteAction&) { return ActionEnd::NotHandled; }
ActionEnd ExecuteQueryAction(CRemoteExecutor&, int, CRemoteAction&) { return ActionEnd::NotHandled; }
