// The log writer object: the COM face (ITSLLogWriter, IDispatch, ISupportErrorInfo) of a DailyLogFile.
#pragma once

#include "logwriter/DailyLogFile.h"
#include "logwriter/ITSLLogWriter.h"
#include "platform/com/ComServer.h"

class TSLLogWriter final : public ITSLLogWriter, public ISupportErrorInfo {
 public:
  explicit TSLLogWriter(DailyLogFile::Clock clock = nullptr);
  ~TSLLogWriter();

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return m_refs.AddRef(); }
  ULONG Release() override;

  // IDispatch
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid, DISPID* dispIds) override;
  HRESULT Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excepInfo, UINT* argErr) override;

  // ITSLLogWriter
  HRESULT SetLogFolder(VARIANT vFolder) override;
  HRESULT SetMaxRecords(VARIANT vMaxRecords) override;
  HRESULT WriteString(VARIANT vMsgLevel, VARIANT vComponent, VARIANT vText) override;
  HRESULT CloseLog() override;

  // ISupportErrorInfo
  HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

 private:
  ComRefCount m_refs;
  DailyLogFile m_log;
};
