// Argument data types (tag, type name, the DATATYPE spelling of description files, display name)
// and the description of one declared argument with its range and allowed values.
#pragma once

#include <list>
#include <map>

#include "netlib/NoCaseLess.h"
#include "netlib/ValueNode.h"
#include "platform/core/CString.h"

// "ui1" ... "uuid" for tags 0..22; empty for any other tag.
CString GetDataTypeName(LONG type);
// "UI1" ... "UUID" for tags 0..22; empty for any other tag.
CString GetDataTypeText(LONG type);
// "INTEGER (UI1)" ... "UUID", "*NONE*" for 23, "*ILLEGAL*" for anything else.
CString GetDataTypeDisplayName(LONG type);
// The tag whose DATATYPE text equals `text` upper-cased; ARGTYPE_NONE when none does.
LONG DataTypeFromText(const CString& text);

class CArgumentDescription {
 public:
  CArgumentDescription();

  void SetInfo(const CString& name, const CString& description, LONG sequence, bool input, LONG type);
  CString GetName() const { return m_name; }
  const CString& GetDescription() const { return m_description; }
  LONG GetSequence() const { return m_sequence; }
  bool IsInput() const { return m_input; }
  LONG GetType() const { return m_type; }
  const CValueNode& GetMinimum() const { return m_minimum; }
  const CValueNode& GetMaximum() const { return m_maximum; }
  const std::list<CString>& GetAllowedValues() const { return m_allowedValues; }

  // The tag of a type name, in any letter case; ARGTYPE_NONE for a name outside the table.
  LONG TypeOfName(const CString& typeName) const;
  CString DisplayTypeName() const { return GetDataTypeDisplayName(m_type); }

  // Each form acts only when the description's type is of its family (unsigned, signed, real).
  void SetMinimum(DWORD value) { SetUnsigned(m_minimum, value); }
  void SetMinimum(LONG value) { SetSigned(m_minimum, value); }
  void SetMinimum(double value) { SetReal(m_minimum, value); }
  void SetMaximum(DWORD value) { SetUnsigned(m_maximum, value); }
  void SetMaximum(LONG value) { SetSigned(m_maximum, value); }
  void SetMaximum(double value) { SetReal(m_maximum, value); }
  // Range text of a description file, read by the family of the type as it stands now.
  void SetMinimumText(const CString& text) { SetRangeText(m_minimum, text); }
  void SetMaximumText(const CString& text) { SetRangeText(m_maximum, text); }
  // Kept for STRING arguments only.
  void AddAllowedValue(const CString& value);

 private:
  void SetUnsigned(CValueNode& node, DWORD value) const;
  void SetSigned(CValueNode& node, LONG value) const;
  void SetReal(CValueNode& node, double value) const;
  void SetRangeText(CValueNode& node, const CString& text) const;

  CString m_name;
  CString m_description;
  LONG m_sequence = 0;
  bool m_input = false;
  LONG m_type = ARGTYPE_NONE;
  CValueNode m_minimum;
  CValueNode m_maximum;
  std::list<CString> m_allowedValues;
  std::map<CString, LONG, NoCaseLess> m_typeNames;
};

// The display name of an argument's data type.
inline CString GetDataTypeDisplayName(const CArgumentDescription& argument) { return argument.DisplayTypeName(); }
