#include "platform/com/ComRegistryKeys.h"

#include <vector>

#include "platform/core/Guid.h"
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

std::string ComGuidText(const GUID& guid) {
  char text[kGuidTextSize];
  StringFromGUID2(guid, text, kGuidTextSize);
  return text;
}

bool ComGuidFromText(const char* text, GUID* guid) { return text && guid && SUCCEEDED(CLSIDFromString(text, guid)); }
