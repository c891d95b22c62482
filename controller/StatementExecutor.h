// Runs statement trees against a run's session: assignments store values, command calls run one of
// the system and device commands. Results: 1 done, 0 done with a device action queued, negative an
// error (-1..-7 assignments, -101..-103 shapes, the command codes otherwise).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "controller/CommandParser.h"
#include "netlib/NoCaseLess.h"

class CActionClient;
class CControllerLog;
class CMacroManager;
class CProjectDevices;
class CRemoteCommand;
class CSchedEventManager;
class CSession;

using StatementList = std::vector<std::unique_ptr<CStatementNode>>;

class CStatementExecutor {
 public:
  CStatementExecutor(CControllerLog& log, CProjectDevices& devices, CMacroManager& macros,
                     CSchedEventManager& schedule, CActionClient& actions)
      : m_log(log), m_devices(devices), m_macros(macros), m_schedule(schedule), m_actions(actions) {}

  LONG ExecuteStatement(const CStatementNode& node, CRemoteCommand& run);
  LONG ExecuteAssignment(const CStatementNode& target, const CStatementNode& value, CSession* session);
  bool EvaluateNode(const CStatementNode& node, CValueNode& out, CSession* session);
  LONG ExecuteCommand(const CStatementNode& nameNode, const std::vector<std::unique_ptr<CStatementNode>>& arguments,
                      CRemoteCommand& run);

  // Parses `text` statement by statement onto `statements`; on a syntax error `onError` gets the
  // offset reached and the rest of the text is dropped. False on an error.
  static bool ParseText(const CString& text, StatementList& statements,
                        const std::function<void(size_t offset)>& onError);
  // Runs the statements in order, numbering them from 1; `onError` gets each failure. True when a
  // device action was queued.
  bool RunStatements(const StatementList& statements, CRemoteCommand& run,
                     const std::function<void(LONG result, int number)>& onError);

 private:
  struct Arguments;
  LONG QueryDevices(const Arguments& args, CSession* session);
  LONG QueryDeviceCommands(const Arguments& args, CSession* session);
  LONG QueryCommandArgs(const Arguments& args, CSession* session);
  LONG QueryMacros(const Arguments& args, CSession* session);
  LONG QueryScheduleEvents(const Arguments& args, CSession* session);
  LONG QueryScheduleEvent(const Arguments& args, CSession* session);
  LONG Schedule(const Arguments& args, CSession* session, bool update);
  LONG DeviceCommand(const Arguments& args, CRemoteCommand& run, bool subDevice);

  CControllerLog& m_log;
  CProjectDevices& m_devices;
  CMacroManager& m_macros;
  CSchedEventManager& m_schedule;
  CActionClient& m_actions;
};
