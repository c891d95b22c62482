// Typed values of the action protocol: one value of one of the 24 data types, kept in its native
// form, with text conversion both ways and an ordered list of items for array values.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Data type tags (also used by argument descriptions).
enum : LONG {
  ARGTYPE_UI1 = 0, ARGTYPE_UI2 = 1, ARGTYPE_UI4 = 2, ARGTYPE_I1 = 3, ARGTYPE_I2 = 4, ARGTYPE_I4 = 5, ARGTYPE_INT = 6, ARGTYPE_R4 = 7, ARGTYPE_R8 = 8,
  ARGTYPE_NUMBER = 9, ARGTYPE_FLOAT = 10, ARGTYPE_CHAR = 11, ARGTYPE_STRING = 12, ARGTYPE_DATE = 13, ARGTYPE_DATETIME = 14,
  ARGTYPE_DATETIMETZ = 15, ARGTYPE_TIME = 16, ARGTYPE_TIMETZ = 17, ARGTYPE_BOOLEAN = 18, ARGTYPE_BINBASE64 = 19, ARGTYPE_BINHEX = 20,
  ARGTYPE_URI = 21, ARGTYPE_UUID = 22, ARGTYPE_NONE = 23,
};

class CValueNode {
 public:
  CValueNode() = default;
  CValueNode(const CValueNode& other) = default;
  CValueNode& operator=(const CValueNode& other) = default;
  virtual ~CValueNode() = default;

  void SetUI1(BYTE value);
  void SetUI2(WORD value);
  void SetUI4(DWORD value);
  void SetI1(signed char value);
  void SetI2(SHORT value);
  void SetI4(LONG value);
  void SetInt(LONG value);
  void SetR4(float value);
  void SetR8(double value);
  void SetChar(char value);
  void SetBoolean(bool value);
  void SetString(const CString& text);
  void SetString(const char* text);
  void SetUuid(const CString& text);

  LONG GetType() const { return m_type; }
  CString GetString() const { return m_text; }
  BYTE GetUI1() const { return m_ui1; }
  WORD GetUI2() const { return m_ui2; }
  DWORD GetUI4() const { return m_ui4; }
  signed char GetI1() const { return m_i1; }
  char GetChar() const { return static_cast<char>(m_i1); }
  SHORT GetI2() const { return m_i2; }
  LONG GetI4() const { return m_i4; }
  LONG GetInt() const { return m_i4; }
  float GetR4() const { return m_r4; }
  double GetR8() const { return m_r8; }
  bool GetBoolean() const { return m_boolean; }

  // Stores the value `text` denotes under `type`; false (node unchanged) when it cannot.
  bool ParseText(const CString& text, LONG type);
  // The value as text: numbers in decimal, reals with 6 significant digits, "*NONE*" for no value,
  // "*ILLEGAL*" for the types without a value.
  CString ToText() const;
  // Appends ToText's text to `out`; a string's own text without a copy in between.
  void AppendText(std::string& out) const;

  // Indexes come from outside (documents, session variables, search rows): no list grows beyond this
  // many items, so a remote index cannot make the process allocate without bound.
  static constexpr int kMaxItems = 1 << 20;

  // Items of an array value. SetItem stores a copy at `index`, growing the list with NONE items;
  // true when an existing item was replaced, false when the list had to grow or the index is out of
  // range (negative, or kMaxItems and beyond: nothing is stored).
  bool SetItem(int index, const CValueNode& value);
  // Copies item `index` into `out`; false (out untouched) when there is no such item.
  bool GetItem(int index, CValueNode& out) const;
  int GetItemCount() const { return static_cast<int>(m_items.size()); }
  // Item `index`, created empty (with the ones before it) when missing. Null for an index out of range.
  CValueNode* GetChild(int index);
  // Item `index` as it is; null when there is no such item.
  const CValueNode* PeekItem(int index) const {
    return index >= 0 && index < GetItemCount() ? &m_items[static_cast<size_t>(index)] : nullptr;
  }
  // As SetItem, but the items added to reach `index` carry the value's type tag instead of NONE.
  bool SetArrayItem(int index, const CValueNode& value);
  bool GetArrayItem(int index, CValueNode& out) const { return GetItem(index, out); }
  void RemoveItems() { m_items.clear(); }

 private:
  void SetTag(LONG type);

  LONG m_type = ARGTYPE_NONE;
  CString m_text;
  BYTE m_ui1 = 0;
  WORD m_ui2 = 0;
  DWORD m_ui4 = 0;
  signed char m_i1 = 0;
  SHORT m_i2 = 0;
  LONG m_i4 = 0;
  float m_r4 = 0;
  double m_r8 = 0;
  bool m_boolean = false;
  std::vector<CValueNode> m_items;
};

// Argument directions.
enum : BYTE { ARG_DIRECTION_NONE = 0, ARG_DIRECTION_IN = 1, ARG_DIRECTION_OUT = 2, ARG_DIRECTION_INOUT = 3 };

class CActionArgument : public CValueNode {
 public:
  void SetName(const CString& name) { m_name = name; }
  void SetHostVar(const CString& hostVar) { m_hostVar = hostVar; }
  // Only 1, 2 and 3 are taken; anything else leaves the direction as it was.
  void SetDirection(BYTE direction);
  // Negative values are ignored.
  void SetSequence(LONG sequence);
  const CString& GetName() const { return m_name; }
  const CString& GetHostVar() const { return m_hostVar; }
  BYTE GetDirection() const { return m_direction; }
  LONG GetSequence() const { return m_sequence; }

 private:
  BYTE m_direction = ARG_DIRECTION_NONE;
  LONG m_sequence = 0;
  CString m_name;
  CString m_hostVar;
};

// Event types of a subscription.
enum : LONG {
  EVENT_VOLUME_CHANGED = 1,
  EVENT_SONG_CHANGED = 2,
  EVENT_SONG_POS_CHANGED = 3,
  EVENT_PLAYER_STATE_CHANGED = 4,
};

class CEventSubscription {
 public:
  void SetAll(LONG id, std::time_t subscribeTime, LONG deviceNumber, const CString& eventName, LONG eventType);
  LONG GetId() const { return m_id; }
  std::time_t GetSubscribeTime() const { return m_subscribeTime; }
  LONG GetDeviceNumber() const { return m_deviceNumber; }
  const CString& GetEventName() const { return m_eventName; }
  LONG GetEventType() const { return m_eventType; }

 private:
  LONG m_id = 0;
  std::time_t m_subscribeTime = 0;
  DWORD m_reserved = 0;
  LONG m_deviceNumber = 0;
  CString m_eventName;
  LONG m_eventType = 0;
};
