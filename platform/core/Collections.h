// The framework's collections that the system uses: the growable array template CArray, the string
// array CStringArray and the pointer array CPtrArray, thin over std::vector; and POSITION, the
// iteration cookie of the framework's list-like interfaces (file dialogs' selected names).
//
// Indexes are 0-based. Reading or removing outside the array is a programming error and throws
// std::out_of_range instead of reading foreign memory; SetAtGrow and SetSize grow the array.
#pragma once

#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

struct QhPositionTag;
using POSITION = QhPositionTag*;

template <typename TYPE, typename ARG_TYPE = const TYPE&>
class CArray {
 public:
  CArray() = default;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }
  bool IsEmpty() const { return m_items.empty(); }

  // New elements are value-initialised (empty strings, null pointers); growBy is a hint the
  // framework took for its allocation steps and is ignored.
  void SetSize(INT_PTR newSize, INT_PTR /*growBy*/ = -1) {
    if (newSize < 0) throw std::out_of_range("CArray::SetSize: negative size");
    m_items.resize(static_cast<std::size_t>(newSize));
  }
  void FreeExtra() { m_items.shrink_to_fit(); }
  void RemoveAll() { m_items.clear(); }

  const TYPE& GetAt(INT_PTR index) const { return m_items.at(checked(index)); }
  TYPE& GetAt(INT_PTR index) { return m_items.at(checked(index)); }
  TYPE& ElementAt(INT_PTR index) { return m_items.at(checked(index)); }
  void SetAt(INT_PTR index, ARG_TYPE element) { m_items.at(checked(index)) = element; }
  const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
  TYPE& operator[](INT_PTR index) { return GetAt(index); }
  const TYPE* GetData() const { return m_items.data(); }
  TYPE* GetData() { return m_items.data(); }

  void SetAtGrow(INT_PTR index, ARG_TYPE element) {
    if (index < 0) throw std::out_of_range("CArray::SetAtGrow: negative index");
    if (index >= GetSize()) SetSize(index + 1);
    m_items[static_cast<std::size_t>(index)] = element;
  }
  // Returns the index of the new element.
  INT_PTR Add(ARG_TYPE element) {
    m_items.push_back(element);
    return GetUpperBound();
  }
  // Appends a copy of the other array; returns the index of its first element here.
  INT_PTR Append(const CArray& other) {
    const INT_PTR first = GetSize();
    m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
    return first;
  }
  void Copy(const CArray& other) {
    if (this != &other) m_items = other.m_items;
  }
  // Inserts `count` copies before index; an index at or past the end appends, growing the array
  // with empty elements up to it as the framework did.
  void InsertAt(INT_PTR index, ARG_TYPE element, INT_PTR count = 1) {
    if (index < 0 || count < 0) throw std::out_of_range("CArray::InsertAt: negative index or count");
    if (index > GetSize()) SetSize(index);
    m_items.insert(m_items.begin() + index, static_cast<std::size_t>(count), element);
  }
  void InsertAt(INT_PTR startIndex, const CArray* other) {
    if (startIndex < 0 || other == nullptr) throw std::out_of_range("CArray::InsertAt: bad arguments");
    if (startIndex > GetSize()) SetSize(startIndex);
    const std::vector<TYPE> copy = other->m_items;  // the other array may be this one
    m_items.insert(m_items.begin() + startIndex, copy.begin(), copy.end());
  }
  void RemoveAt(INT_PTR index, INT_PTR count = 1) {
    if (index < 0 || count < 0 || index + count > GetSize()) throw std::out_of_range("CArray::RemoveAt: outside the array");
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
  }

  // Range-for over the elements.
  auto begin() { return m_items.begin(); }
  auto end() { return m_items.end(); }
  auto begin() const { return m_items.begin(); }
  auto end() const { return m_items.end(); }

 private:
  static std::size_t checked(INT_PTR index) {
    if (index < 0) throw std::out_of_range("CArray: negative index");
    return static_cast<std::size_t>(index);
  }

  std::vector<TYPE> m_items;
};

class CStringArray : public CArray<CString, const CString&> {};

class CPtrArray : public CArray<void*, void*> {};
