// Registry reads of the installation lookup, under Software\<global>\<local>.
#pragma once
#include <cstddef>

int ReadUserRegInt(const char* global, const char* local, const char* name, int fallback);
int ReadMachineRegInt(const char* global, const char* local, const char* name, int fallback);
// 0 when the REG_SZ value was read into `output`, -1 when `output` holds `fallback`.
int ReadMachineRegString(const char* global, const char* local, const char* name,
                         const char* fallback, char* output, size_t output_size);
