// The bodies of the remote actions, one function per group. The executor frame (RemoteExecutor.h) calls
// exactly one of them for every named id that reaches it; the frame has already
//   - looked the name up (the id passed in is 0..87, never 41, 83 or 88),
//   - forwarded the action to an open chooser dialog instead, when one is open (no body then runs).
//
// Contract of every group function:
//   - It is called on the main window's thread with the queue's current action; nothing else runs
//     meanwhile, and it must not start a modal loop that waits for the queue.
//   - It reads the request's arguments and writes results only through ActionArguments.h, so that the
//     name, direction and value rules are the same for every action.
//   - For an id it runs, it stores the outcome with action.SetResult(code, message) (0 "OK", -1 bad
//     argument or target, -2 the operation failed), or leaves the initial 0 and empty message for the
//     actions that set no result, and then returns how the action ends:
//       ActionEnd::Finished       the frame reports the completion itself (the queue ends the action as
//                                 soon as the frame returns); the usual case, failures included. The
//                                 body never posts 0x46C on its own.
//       ActionEnd::EndsLater      the volume ramps with a valid target: the player posts 0x46C to the main
//                                 window when the ramp ends; the frame posts nothing.
//       ActionEnd::FinishedInline the body has already run the completion handler through
//                                 executor.FinishNow() (SvcShutdown, whose answer must go out before the
//                                 server stops); the frame reports nothing.
//   - For an id it has no body for (43, 44 and 45) it returns
//     ActionEnd::NotHandled without touching the action; the frame answers -3 "Illegal actionName
//     entered" and reports the completion.
//   - Target checks go through the executor: executor.SubDevicePlayer(action) and
//     executor.CurrentZonePlayer() give the zone's player or null, and the body answers null with its own
//     message ("Invalid SubDevice", "No current stream selected", ...).
#pragma once

class CRemoteAction;
class CRemoteExecutor;

enum class ActionEnd { Finished, EndsLater, FinishedInline, NotHandled };

// Songs and play lists: 0-10, 18, 19.
ActionEnd ExecuteSongAction(CRemoteExecutor& executor, int id, CRemoteAction& action);
// Search results: 11-17.
ActionEnd ExecuteSearchAction(CRemoteExecutor& executor, int id, CRemoteAction& action);
// Transport, shuffle, repeat and volume: 20-38.
ActionEnd ExecuteTransportAction(CRemoteExecutor& executor, int id, CRemoteAction& action);
// Remote keys: 42-73.
ActionEnd ExecuteKeyAction(CRemoteExecutor& executor, int id, CRemoteAction& action);
// Queries and services: 39, 40, 74-82, 84-87.
ActionEnd ExecuteQueryAction(CRemoteExecutor& executor, int id, CRemoteAction& action);
