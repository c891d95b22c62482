// The log writer's interface, shared by the Quillmark module and its client, the jukebox: the class id,
// the interface id, the type library id and the dispatch ids of the four methods.
#pragma once

#include "platform/com/ComTypes.h"

// {1D3C037F-5E8F-49FC-9E4F-A01BE6D1C21D}
inline constexpr CLSID CLSID_TSLLogWriter = {0x1D3C037F, 0x5E8F, 0x49FC, {0x9E, 0x4F, 0xA0, 0x1B, 0xE6, 0xD1, 0xC2, 0x1D}};
// {BDD7F093-F110-4872-AD79-CB630BF6B81C}
inline constexpr IID IID_ITSLLogWriter = {0xBDD7F093, 0xF110, 0x4872, {0xAD, 0x79, 0xCB, 0x63, 0x0B, 0xF6, 0xB8, 0x1C}};
// {D6FCD165-280F-4476-B933-4AF34B6A0D69}
inline constexpr GUID LIBID_QUILLMARKLib = {0xD6FCD165, 0x280F, 0x4476, {0xB9, 0x33, 0x4A, 0xF3, 0x4B, 0x6A, 0x0D, 0x69}};

inline constexpr const char* kLogWriterProgId = "Quillmark.TSLLogWriter.1";
inline constexpr const char* kLogWriterVersionIndependentProgId = "Quillmark.TSLLogWriter";

enum LogWriterDispId : DISPID {
  DISPID_SetLogFolder = 0x60020000,
  DISPID_SetMaxRecords = 0x60020001,
  DISPID_WriteString = 0x60020002,
  DISPID_CloseLog = 0x60020003,
};

// A dual interface: the methods are reachable through the table below and through IDispatch::Invoke.
struct ITSLLogWriter : IDispatch {
  // "Set the folder where the log file is located"
  virtual HRESULT SetLogFolder(VARIANT vFolder) = 0;
  // "Sets the maximum number of records to write (per day/instance)"
  virtual HRESULT SetMaxRecords(VARIANT vMaxRecords) = 0;
  // "Write a string to the Quaverhouse log file"
  virtual HRESULT WriteString(VARIANT vMsgLevel, VARIANT vComponent, VARIANT vText) = 0;
  // "Close the Quaverhouse log file"
  virtual HRESULT CloseLog() = 0;

 protected:
  ~ITSLLogWriter() = default;
};
