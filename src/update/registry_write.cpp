// REG_SZ writes of the [reg] directives under HKEY_CURRENT_USER.
#include <windows.h>

#include <cstring>

#include "shell/cp932.h"
#include "update/directives.h"

namespace {
constexpr size_t kKeyPathSize = 512;
}  // namespace

int WriteUserRegString(const char* global, const char* local, const char* name, const char* data) {
  char path[kKeyPathSize];
  if (!FormatText(path, sizeof(path), "Software\\%s\\%s", global, local)) return -1;
  HKEY key = nullptr;
  char no_class[] = "";
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, no_class, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return -1;
  }
  // The data length counts the terminating NUL, as REG_SZ data is stored with it.
  DWORD length = static_cast<DWORD>(strlen(data) + 1);
  int result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), length) ==
                       ERROR_SUCCESS
                   ? 0
                   : -1;
  RegCloseKey(key);
  return result;
}
