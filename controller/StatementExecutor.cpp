#include "controller/StatementExecutor.h"

#include <cstdlib>
#include <ctime>

#include "controller/ActionClient.h"
#include "controller/ControllerLog.h"
#include "controller/LogText.h"
#include "controller/MacroManager.h"
#include "controller/ProjectDevices.h"
#include "controller/RemoteCommand.h"
#include "controller/Scheduler.h"
#include "netlib/DeviceDescription.h"
#include "netlib/Sessions.h"
#include "platform/core/CrtNumbers.h"

namespace {

enum class NumberText { Atoi, Atol, Strtoul, Refused };

// An index value read as an integer: integer types by their field, real types truncated toward
// zero; false for other types, negative indexes and values no array can reach.
bool IndexOf(const CValueNode& value, int& index) {
  double number = 0;
  switch (value.GetType()) {
    case ARGTYPE_UI1: number = value.GetUI1(); break;
    case ARGTYPE_UI2: number = value.GetUI2(); break;
    case ARGTYPE_UI4: number = value.GetUI4(); break;
    case ARGTYPE_I1: number = value.GetI1(); break;
    case ARGTYPE_I2: number = value.GetI2(); break;
    case ARGTYPE_I4:
    case ARGTYPE_INT: number = value.GetI4(); break;
    case ARGTYPE_R4: number = value.GetR4(); break;
    case ARGTYPE_R8:
    case ARGTYPE_NUMBER:
    case ARGTYPE_FLOAT: number = value.GetR8(); break;
    default: return false;
  }
  if (!(number > -1.0) || number >= CSession::kMaxArrayItems) return false;
  index = static_cast<int>(number);  // in range: truncation toward zero is defined
  return true;
}

CString DateText(std::time_t when) {
  if (when == 0) return "";
  std::tm local{};
  if (!localtime_r(&when, &local)) return "";
  char text[255];
  std::strftime(text, sizeof(text), "%Y-%m-%d-%H:%M:%S", &local);
  return text;
}

CValueNode StringValue(const CString& text) {
  CValueNode value;
  value.SetString(text);
  return value;
}

// Stores the arrays a query built, each under its output name.
void StoreArrays(CSession* session, const std::vector<CString>& names, std::vector<CValueNode>& arrays) {
  for (size_t i = 0; i < names.size(); ++i) {
    auto* value = new CValueNode(arrays[i]);
    if (!session->SetArrayVariable(names[i], value)) delete value;
  }
}

void Append(CValueNode& array, const CValueNode& element) {
  if (array.GetItemCount() < CSession::kMaxArrayItems) array.SetItem(array.GetItemCount(), element);
}

}  // namespace

// The argument list of one command call, read in the order the checks need.
struct CStatementExecutor::Arguments {
  CStatementExecutor& executor;
  const std::vector<std::unique_ptr<CStatementNode>>& nodes;
  CSession* session;

  size_t Count() const { return nodes.size(); }
  LONG Value(size_t i, CValueNode& out) const {
    return executor.EvaluateNode(*nodes[i], out, session) ? 1 : -5;
  }
  LONG String(size_t i, CString& out) const {
    CValueNode value;
    if (!executor.EvaluateNode(*nodes[i], value, session)) return -5;
    if (value.GetType() != ARGTYPE_STRING) return -7;
    out = value.GetString();
    return 1;
  }
  LONG Number(size_t i, NumberText text, long long& out) const {
    CValueNode value;
    if (!executor.EvaluateNode(*nodes[i], value, session)) return -5;
    switch (value.GetType()) {
      case ARGTYPE_UI4: out = value.GetUI4(); return 1;
      case ARGTYPE_I4:
      case ARGTYPE_INT: out = value.GetI4(); return 1;
      case ARGTYPE_STRING:
        if (text == NumberText::Atoi) out = qh_atoi(value.GetString());
        else if (text == NumberText::Atol) out = qh_atol(value.GetString());
        else if (text == NumberText::Strtoul) out = static_cast<DWORD>(qh_strtoul(value.GetString(), nullptr, 10));
        else return -4;
        return 1;
      default: return -4;
    }
  }
  LONG OutputName(size_t i, CString& out) const {
    if (nodes[i]->m_kind != NODE_NAME) return -13;
    out = nodes[i]->m_name;
    return 1;
  }
};

// ---- Statements ----

LONG CStatementExecutor::ExecuteStatement(const CStatementNode& node, CRemoteCommand& run) {
  if (node.m_kind == NODE_ASSIGNMENT) {
    if (!node.m_left || !node.m_right) return -101;
    return ExecuteAssignment(*node.m_left, *node.m_right, run.GetSession());
  }
  if (node.m_kind == NODE_CALL) {
    if (!node.m_left) return -102;
    return ExecuteCommand(*node.m_left, node.m_arguments, run);
  }
  return -103;
}

LONG CStatementExecutor::ExecuteAssignment(const CStatementNode& target, const CStatementNode& value,
                                           CSession* session) {
  if (target.m_kind != NODE_NAME && target.m_kind != NODE_ELEMENT) return -1;
  if (value.m_kind != NODE_NAME && value.m_kind != NODE_ELEMENT && value.m_kind != NODE_LITERAL) return -2;
  if (!session) return -3;
  CValueNode result;
  if (!EvaluateNode(value, result, session)) return 1;
  if (target.m_kind == NODE_NAME) return session->AssignValue(target.m_name, result) ? 1 : -3;
  if (!target.m_right) return -4;
  CValueNode indexValue;
  if (!EvaluateNode(*target.m_right, indexValue, session)) return -5;
  int index = 0;
  if (!IndexOf(indexValue, index)) return -6;
  return session->AssignArrayItem(target.m_name, index, result) ? 1 : -7;
}

bool CStatementExecutor::EvaluateNode(const CStatementNode& node, CValueNode& out, CSession* session) {
  switch (node.m_kind) {
    case NODE_LITERAL:
      out = node.m_value;
      return true;
    case NODE_NAME: {
      CString upper = UpperAscii(node.m_name);
      if (upper == "TRUE" || upper == "FALSE") {
        out = CValueNode();
        out.SetBoolean(upper == "TRUE");
        return true;
      }
      return session && session->GetVariable(node.m_name, out);
    }
    case NODE_ELEMENT: {
      if (!node.m_right || !session) return false;
      CValueNode indexValue;
      if (!EvaluateNode(*node.m_right, indexValue, session)) return false;
      int index = 0;
      if (!IndexOf(indexValue, index)) return false;
      CValueNode array;
      if (!session->GetVariable(node.m_name, array)) return false;
      return array.GetArrayItem(index, out);
    }
    default:
      return false;
  }
}

bool CStatementExecutor::ParseText(const CString& text, StatementList& statements,
                                   const std::function<void(size_t offset)>& onError) {
  size_t offset = 0;
  while (offset < static_cast<size_t>(text.GetLength())) {
    auto statement = CCommandParser::ParseStatement(text, offset);
    if (!statement) {
      onError(offset);
      return false;
    }
    statements.push_back(std::move(statement));
  }
  return true;
}

bool CStatementExecutor::RunStatements(const StatementList& statements, CRemoteCommand& run,
                                       const std::function<void(LONG result, int number)>& onError) {
  bool queued = false;
  int number = 0;
  for (const auto& statement : statements) {
    ++number;
    LONG result = ExecuteStatement(*statement, run);
    if (result < 0) onError(result, number);
    if (result == 0) queued = true;
  }
  return queued;
}

// ---- Commands ----

LONG CStatementExecutor::ExecuteCommand(const CStatementNode& nameNode,
                                        const std::vector<std::unique_ptr<CStatementNode>>& nodes,
                                        CRemoteCommand& run) {
  if (nameNode.m_kind != NODE_NAME) return -1;
  CSession* session = run.GetSession();
  if (!session) return -5;
  Arguments args{*this, nodes, session};
  const CString keyword = UpperAscii(nameNode.m_name);
  const size_t count = args.Count();
  LONG r = 1;
  if (keyword == "SYSNEXTPAGE") {
    CString page;
    if (count > 0 && (r = args.String(0, page)) < 0) return r;
    return session->SetStringVariable("SYSNEXTPAGE", page) ? 1 : -5;
  }
  if (keyword == "SYSWRITETOLOG") {
    if (count < 1) return -3;
    CString text;
    if ((r = args.String(0, text)) < 0) return r;
    m_log.WriteLog(text);
    return 1;
  }
  if (keyword == "SYSADDSCHEDULE" || keyword == "SYSUPDSCHEDULE") {
    if (count != 14) return -3;
    return Schedule(args, session, keyword == "SYSUPDSCHEDULE");
  }
  if (keyword == "SYSADDSCHEDULEMACRO") {
    if (count != 3) return -3;
    long long id = 0, sequence = 0;
    CString name;
    if ((r = args.Number(0, NumberText::Atol, id)) < 0 || (r = args.Number(1, NumberText::Atoi, sequence)) < 0 ||
        (r = args.String(2, name)) < 0)
      return r;
    if (id == 0 || sequence < 1 || name.IsEmpty()) return -99;
    m_schedule.AddEventMacro(static_cast<DWORD>(id), static_cast<int>(sequence), name);
    return 1;
  }
  if (keyword == "SYSQRYMACROS") {
    if (count != 2) return -3;
    return QueryMacros(args, session);
  }
  if (keyword == "SYSQRYDEVICES") {
    if (count != 2) return -3;
    return QueryDevices(args, session);
  }
  if (keyword == "SYSQRYDEVICECOMMANDS") {
    if (count != 3) return -3;
    return QueryDeviceCommands(args, session);
  }
  if (keyword == "SYSQRYCOMMANDARGS") {
    if (count != 5) return -3;
    return QueryCommandArgs(args, session);
  }
  if (keyword == "SYSQRYSCHEDEVENTS") {
    if (count != 6) return -3;
    return QueryScheduleEvents(args, session);
  }
  if (keyword == "SYSQRYSCHEDEVENTID") {
    if (count != 7) return -3;
    return QueryScheduleEvent(args, session);
  }
  if (keyword == "SYSDELSCHEDULE") {
    if (count != 1) return -3;
    long long id = 0;
    if ((r = args.Number(0, NumberText::Atol, id)) < 0) return r;
    if (id == 0) return -99;
    m_schedule.DeleteEvent(static_cast<DWORD>(id));
    return 1;
  }
  if (keyword == "SYSDELMACRO") {
    if (count != 1) return -3;
    CString name;
    if ((r = args.String(0, name)) < 0) return r;
    if (name.IsEmpty()) return -99;
    m_macros.DeleteMacro(name);
    return 1;
  }
  if (keyword == "SYSADDMACRO") {
    if (count != 3) return -3;
    CString name, description, text;
    if ((r = args.String(0, name)) < 0 || (r = args.String(1, description)) < 0 || (r = args.String(2, text)) < 0)
      return r;
    if (name.IsEmpty() || text.IsEmpty()) return -99;
    m_macros.AddMacro(name, description, text);
    return 1;
  }
  if (keyword == "SYSGETCGIVAR") {
    if (count != 2) return -3;
    CString name, output;
    if ((r = args.String(0, name)) < 0 || (r = args.OutputName(1, output)) < 0) return r;
    if (!run.HasRequest()) return -14;
    CString value;
    if (run.GetRequestParam(name, value)) session->SetStringVariable(output, value);
    return 1;
  }
  if (keyword == "DEVICECMD") {
    if (count < 2) return -3;
    return DeviceCommand(args, run, false);
  }
  if (keyword == "SUBDEVICECMD") {
    if (count < 3) return -3;
    return DeviceCommand(args, run, true);
  }
  return -2;
}

LONG CStatementExecutor::Schedule(const Arguments& args, CSession* session, bool update) {
  LONG r = 1;
  long long id = 0;
  CString description, typeText, outputName;
  long long field[13] = {};
  if (update) {
    if ((r = args.Number(0, NumberText::Strtoul, id)) < 0) return r;
  } else if ((r = args.String(0, description)) < 0) {
    return r;
  }
  for (size_t i = 1; i <= 12; ++i) {
    if (i == 7) {
      if ((r = args.String(7, typeText)) < 0) return r;
      continue;
    }
    if ((r = args.Number(i, NumberText::Atoi, field[i])) < 0) return r;
  }
  if ((r = args.String(13, update ? description : outputName)) < 0) return r;
  const long long year = field[1], month = field[2], day = field[3], hour = field[4], minute = field[5],
                  second = field[6];
  if (year < CSchedEventManager::kMinYear || year > CSchedEventManager::kMaxYear || month < 1 || month > 12 ||
      day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      description.IsEmpty())
    return -99;
  std::time_t start = LocalTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                                static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
  std::time_t end = 0;
  const long long endYear = field[10], endMonth = field[11], endDay = field[12];
  if (endYear >= CSchedEventManager::kMinYear && endYear <= CSchedEventManager::kMaxYear && endMonth >= 1 &&
      endMonth <= 12 && endDay >= 1 && endDay <= 31) {
    end = LocalTime(static_cast<int>(endYear), static_cast<int>(endMonth), static_cast<int>(endDay), 0, 0, 0);
    if (end < start) return -99;
  }
  char type = typeText.IsEmpty() ? '\0' : typeText.GetAt(0);
  auto amount = static_cast<DWORD>(field[8]);
  const long long maskNumber = field[9];
  // A repetition the scheduler cannot run would be stored as a single run: refused, nothing stored.
  if (maskNumber < 0 || !CSchedEvent::ValidRepeat(type, static_cast<DWORD>(maskNumber))) {
    CString text;
    text.Format("%s: Repeat type [%s] or weekday mask %lld refused: the type is one of N H D W M Y (upper case), "
                "the mask from 0 (any day) to 127.",
                update ? "SYSUPDSCHEDULE" : "SYSADDSCHEDULE", typeText.GetString(), maskNumber);
    m_log.WriteLog(text);
    return -99;
  }
  auto mask = static_cast<DWORD>(maskNumber);
  if (update) {
    m_schedule.UpdateEvent(static_cast<DWORD>(id), start, type, amount, mask, end, description);
  } else {
    DWORD newId = m_schedule.AddEvent(description, start, type, amount, mask, end);
    session->SetNumberVariable(outputName, static_cast<LONG>(newId));
  }
  return 1;
}

LONG CStatementExecutor::QueryMacros(const Arguments& args, CSession* session) {
  std::vector<CString> names(2);
  LONG r = 1;
  if ((r = args.OutputName(0, names[0])) < 0 || (r = args.OutputName(1, names[1])) < 0) return r;
  std::vector<CValueNode> arrays(2);
  m_macros.BeginEnum();
  for (CString name = m_macros.GetNextName(); !name.IsEmpty(); name = m_macros.GetNextName()) {
    CMacro* macro = m_macros.FindMacro(name);
    Append(arrays[0], StringValue(name));
    Append(arrays[1], StringValue(macro ? macro->m_description : CString()));
  }
  StoreArrays(session, names, arrays);
  return 1;
}

LONG CStatementExecutor::QueryDevices(const Arguments& args, CSession* session) {
  std::vector<CString> names(2);
  LONG r = 1;
  if ((r = args.OutputName(0, names[0])) < 0 || (r = args.OutputName(1, names[1])) < 0) return r;
  std::vector<CValueNode> arrays(2);
  m_devices.BeginDeviceEnum();
  while (CDeviceDescription* device = m_devices.GetNextDevice()) {
    CValueNode number;
    number.SetUI4(static_cast<DWORD>(device->GetDeviceNumber()));
    Append(arrays[0], number);
    Append(arrays[1], StringValue(device->GetName()));
  }
  StoreArrays(session, names, arrays);
  return 1;
}

LONG CStatementExecutor::QueryDeviceCommands(const Arguments& args, CSession* session) {
  long long number = 0;
  std::vector<CString> names(2);
  LONG r = 1;
  if ((r = args.Number(0, NumberText::Strtoul, number)) < 0 || (r = args.OutputName(1, names[0])) < 0 ||
      (r = args.OutputName(2, names[1])) < 0)
    return r;
  if (number == 0) return 1;
  std::vector<CValueNode> arrays(2);
  CDeviceDescription* device = m_devices.GetSelectedDevice(static_cast<DWORD>(number), m_log);
  if (device && device->BeginEnumActions()) {
    while (CActionDescription* action = device->GetNextAction()) {
      Append(arrays[0], StringValue(action->GetName()));
      Append(arrays[1], StringValue(action->GetDescription()));
    }
    device->EndEnumActions();
  }
  StoreArrays(session, names, arrays);
  return 1;
}

LONG CStatementExecutor::QueryCommandArgs(const Arguments& args, CSession* session) {
  long long number = 0;
  CString actionName;
  std::vector<CString> names(3);
  LONG r = 1;
  if ((r = args.Number(0, NumberText::Strtoul, number)) < 0 || (r = args.String(1, actionName)) < 0 ||
      (r = args.OutputName(2, names[0])) < 0 || (r = args.OutputName(3, names[1])) < 0 ||
      (r = args.OutputName(4, names[2])) < 0)
    return r;
  if (number == 0) return 1;
  std::vector<CValueNode> arrays(3);
  CDeviceDescription* device = m_devices.GetSelectedDevice(static_cast<DWORD>(number), m_log);
  CActionDescription* action = device ? device->FindAction(actionName) : nullptr;
  if (action && action->BeginEnum()) {
    while (CArgumentDescription* argument = action->GetNext()) {
      if (!argument->IsInput()) continue;
      Append(arrays[0], StringValue(argument->GetName()));
      Append(arrays[1], StringValue(argument->GetDescription()));
      Append(arrays[2], StringValue(GetDataTypeDisplayName(*argument)));
    }
    action->EndEnum();
  }
  StoreArrays(session, names, arrays);
  return 1;
}

LONG CStatementExecutor::QueryScheduleEvents(const Arguments& args, CSession* session) {
  std::vector<CString> names(6);
  LONG r = 1;
  for (size_t i = 0; i < 6; ++i)
    if ((r = args.OutputName(i, names[i])) < 0) return r;
  std::vector<CValueNode> arrays(6);
  m_schedule.BeginEnum();
  while (CSchedEvent* event = m_schedule.NextEvent()) {
    CValueNode id, amount;
    id.SetI4(static_cast<LONG>(event->m_id));
    amount.SetInt(static_cast<LONG>(event->m_repeatAmount));
    Append(arrays[0], id);
    Append(arrays[1], StringValue(event->m_description));
    Append(arrays[2], StringValue(DateText(event->m_start)));
    Append(arrays[3], StringValue(CString(event->m_repeatType, 1)));
    Append(arrays[4], amount);
    Append(arrays[5], StringValue(event->m_hasEndDate ? DateText(event->m_endDate) : CString()));
  }
  StoreArrays(session, names, arrays);
  return 1;
}

LONG CStatementExecutor::QueryScheduleEvent(const Arguments& args, CSession* session) {
  long long id = 0;
  std::vector<CString> names(6);
  LONG r = 1;
  if ((r = args.Number(0, NumberText::Atol, id)) < 0) return r;
  for (size_t i = 0; i < 6; ++i)
    if ((r = args.OutputName(i + 1, names[i])) < 0) return r;
  if (id == 0) return 1;
  CSchedEvent* event = m_schedule.FindEvent(static_cast<DWORD>(id));
  if (!event) return -15;
  session->SetStringVariable(names[0], event->m_description);
  session->SetStringVariable(names[1], DateText(event->m_start));
  session->SetStringVariable(names[2], CString(event->m_repeatType, 1));
  session->SetNumberVariable(names[3], static_cast<LONG>(event->m_repeatAmount));
  session->SetStringVariable(names[4], event->m_hasEndDate ? DateText(event->m_endDate) : CString());
  CString first;
  if (event->BeginMacros()) {
    first = event->NextMacro();
    event->Unlock();
  }
  session->SetStringVariable(names[5], first);
  return 1;
}

LONG CStatementExecutor::DeviceCommand(const Arguments& args, CRemoteCommand& run, bool subDevice) {
  long long deviceNumber = 0, subDeviceNumber = 0;
  LONG r = 1;
  if ((r = args.Number(0, NumberText::Refused, deviceNumber)) < 0) return r;
  if (subDevice && (r = args.Number(1, NumberText::Refused, subDeviceNumber)) < 0) return r;
  const size_t nameIndex = subDevice ? 2 : 1;
  CValueNode nameValue;
  if (!EvaluateNode(*args.nodes[nameIndex], nameValue, args.session)) return -6;
  if (nameValue.GetType() != ARGTYPE_STRING) return -7;
  CString actionName = nameValue.GetString();
  CDeviceDescription* device = m_devices.GetSelectedDevice(static_cast<DWORD>(deviceNumber), m_log);
  if (!device) return -8;
  CActionDescription* action = device->FindAction(actionName);
  if (!action) return -9;
  std::vector<CActionArgumentNode> nodes(args.nodes.size());
  for (size_t i = 0; i < args.nodes.size(); ++i) {
    const CStatementNode& node = *args.nodes[i];
    if (node.m_kind == NODE_LITERAL) {
      nodes[i].m_kind = CActionArgumentNode::kLiteral;
      nodes[i].m_literal = node.m_value;
    } else if (node.m_kind == NODE_NAME) {
      nodes[i].m_kind = CActionArgumentNode::kName;
      nodes[i].m_name = node.m_name;
    }
  }
  DWORD actionId = 0;
  CString xml = m_actions.BuildActionXml(*action, args.session, actionId, run.GetTransactionNumber(),
                                         static_cast<DWORD>(subDeviceNumber), nameIndex + 1, nodes);
  if (xml.IsEmpty()) return -2;
  CString line;
  line.Format("Transaction %lu added action %lu: %s - Dev: %lu", run.GetTransactionNumber(), actionId,
              actionName.GetString(), static_cast<DWORD>(deviceNumber));
  m_log.WriteLog(line);
  auto* pending = new CPendingCommand;
  pending->m_actionXml = xml;
  pending->m_deviceNumber = static_cast<DWORD>(deviceNumber);
  pending->m_actionId = actionId;
  pending->m_transactionNumber = run.GetTransactionNumber();
  pending->m_deviceAddress = device->GetServiceAddress();
  pending->m_devicePort = static_cast<DWORD>(device->GetServicePort());
  run.AddAction(actionId, pending);
  return 0;
}
