// Registry reads of the installation lookup: REG_SZ values under Software\<global>\<local>.
#include "update/registry.h"

#include <windows.h>

#include <cstring>

#include "shell/cp932.h"
#include "update/install_path.h"

namespace {

constexpr size_t kRegTextSize = 512;
// The game registers itself in the 32-bit view; a 64-bit build asks for that view explicitly so
// that it sees what the 32-bit program sees, while the 32-bit program keeps its plain masks.
constexpr REGSAM kRegistryView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : 0;

// Reads the REG_SZ value `name` of Software\<global>\<local> under `root` into `output`,
// cut to the output and always NUL-terminated. Everything but a readable REG_SZ value (missing
// key or value, another type, data over 512 bytes, no access) leaves `output` alone.
bool QueryRegText(HKEY root, REGSAM access, const char* global, const char* local,
                  const char* name, char* output, size_t output_size) {
  char path[kRegTextSize];
  FormatText(path, sizeof path, "Software\\%s\\%s", global, local);
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, access | kRegistryView, &key) != ERROR_SUCCESS) return false;
  unsigned char data[kRegTextSize];
  DWORD type = 0;
  DWORD length = sizeof data;
  bool read = RegQueryValueExA(key, name, nullptr, &type, data, &length) == ERROR_SUCCESS &&
              type == REG_SZ;
  if (read && output_size > 0) {
    // Stored text need not end in NUL: take only the bytes the query gave.
    size_t take = length < output_size ? length : output_size - 1;
    memcpy(output, data, take);
    output[take] = '\0';
    output[output_size - 1] = '\0';
  }
  RegCloseKey(key);
  return read;
}

int ReadRegInt(HKEY root, REGSAM access, const char* global, const char* local,
               const char* name, int fallback) {
  char text[kRegTextSize];
  FormatText(text, sizeof text, "%d", fallback);
  QueryRegText(root, access, global, local, name, text, sizeof text);
  return ReadDecimalInt(text);
}

}  // namespace

int ReadUserRegInt(const char* global, const char* local, const char* name, int fallback) {
  return ReadRegInt(HKEY_CURRENT_USER, KEY_ALL_ACCESS, global, local, name, fallback);
}

int ReadMachineRegInt(const char* global, const char* local, const char* name, int fallback) {
  return ReadRegInt(HKEY_LOCAL_MACHINE, KEY_READ, global, local, name, fallback);
}

int ReadMachineRegString(const char* global, const char* local, const char* name,
                         const char* fallback, char* output, size_t output_size) {
  if (output_size == 0) return -1;
  CopyText(output, output_size, fallback ? fallback : "");
  bool read = QueryRegText(HKEY_LOCAL_MACHINE, KEY_READ, global, local, name, output, output_size);
  return read ? 0 : -1;
}
