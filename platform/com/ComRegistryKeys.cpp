#include "platform/com/ComRegistryKeys.h"

#include <vector>

#include <cstdio>
#include "platform/core/Registry.h"

bool ComReadClassesRootText(const char* subKey, std::string* text) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  bool ok = RegQueryValueEx(key, "", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ;
  if (ok) {
    std::vector<BYTE> data(size + 1, 0);
    ok = RegQueryValueEx(key, "", nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
    if (ok) text->assign(reinterpret_cast<const char*>(data.data()));
  }
  RegCloseKey(key);
  return ok;
}

bool ComWriteClassesRootText(const char* subKey, const char* valueName, const std::string& text) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_CLASSES_ROOT, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                     nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueEx(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool ComDeleteClassesRootTree(const char* subKey) {
  HKEY key = nullptr;
  LONG opened = RegOpenKeyEx(HKEY_CLASSES_ROOT, subKey, 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  // Collect the children first: deleting while enumerating would shift the indexes.
  std::vector<std::string> children;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name;
    if (RegEnumKeyEx(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(name, nameSize);
  }
  RegCloseKey(key);
  bool ok = true;
  for (const auto& child : children) ok = ComDeleteClassesRootTree((std::string(subKey) + "\\" + child).c_str()) && ok;
  LONG deleted = RegDeleteKey(HKEY_CLASSES_ROOT, subKey);
  return ok && (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND);
}

std::string ComGuidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

bool ComGuidFromText(const char* text, GUID* guid) {
  if (!text || !guid) return false;
  const std::string_view t = text;
  if (t.size() != 38 || t.front() != '{' || t.back() != '}') return false;
  unsigned v[11];
  int consumed = 0;
  if (std::sscanf(text, "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%n", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                  &v[7], &v[8], &v[9], &v[10], &consumed) != 11 ||
      consumed != 38)
    return false;
  for (size_t i : {9u, 14u, 19u, 24u})
    if (t[i] != '-') return false;
  guid->Data1 = v[0];
  guid->Data2 = static_cast<WORD>(v[1]);
  guid->Data3 = static_cast<WORD>(v[2]);
  for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<BYTE>(v[3 + i]);
  return true;
}
