// Feeds arbitrary bytes to both readers of install.env, as a file stream over memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/settings_reader.h"

namespace {

// Walks what the readers built so that the sanitizers see every byte they kept.
size_t Touch(const SettingsTable& table, const DirectiveLists& lists) {
  size_t total = 0;
  for (const SettingEntry* e = table.first; e; e = e->next) total += strlen(e->key) + strlen(e->value);
  for (int s = 0; s < kDirectiveSectionCount; ++s) {
    for (const DirectiveNode* n = lists.first[s]; n; n = n->next) total += strlen(n->text);
  }
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  char* copy = static_cast<char*>(malloc(size));
  if (!copy) return 0;
  memcpy(copy, data, size);

  SettingsTable table = {};
  DirectiveLists lists = {};
  if (FILE* stream = fmemopen(copy, size, "r")) {
    ReadSettingLines(stream, &table, malloc);
    fclose(stream);
  }
  if (FILE* stream = fmemopen(copy, size, "r")) {
    int open = ReadDirectiveLines(stream, &lists, malloc);
    if (open != kNoSection && DirectiveSectionName(open)[0] == '\0') abort();
    fclose(stream);
  }
  volatile size_t sink = Touch(table, lists);
  (void)sink;
  FreeSettingsTable(&table);
  FreeDirectiveLists(&lists);
  free(copy);
  return 0;
}
