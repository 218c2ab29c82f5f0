// The settings table and the directive lists of this run, filled once from install.env at start-up.
#include "settings/settings.h"

#include <cstdlib>
#include <cstring>

#include "settings/settings_reader.h"
#include "shell/services.h"

namespace {

SettingsTable g_table;
DirectiveLists g_directives;
bool g_release_registered = false;

constexpr int kFatalExitCode = -1;

}  // namespace

void ReleaseSettingsTable() { FreeSettingsTable(&g_table); }

int LoadSettings(const char* path) {
  if (!g_release_registered) {
    atexit(ReleaseSettingsTable);
    g_release_registered = true;
  }
  FILE* stream = Ffopen(path, "rt");
  if (!stream) return -1;
  // Out of memory the reading stops; the entries read so far serve as they are.
  ReadSettingLines(stream, &g_table, malloc);
  fclose(stream);
  return 0;
}

void LoadDirectives(const char* path) {
  FILE* stream = fopen(path, "rt");
  if (!stream) {
    ErrorBoxRetry("[%s]ファイルを開けませんでした。", path);
    exit(kFatalExitCode);
  }
  int open = ReadDirectiveLines(stream, &g_directives, AllocOrWarn);
  fclose(stream);
  if (open != kNoSection) {
    ErrorBoxRetry("[設定.env]の[%s]が終了していません", DirectiveSectionName(open));
    exit(kFatalExitCode);
  }
}

char* GetSettingString(const char* key, char* buffer, size_t size, const char* fallback) {
  if (size == 0) return buffer;
  const SettingEntry* entry = FindSetting(&g_table, key);
  strncpy(buffer, entry ? entry->value : fallback, size);
  buffer[size - 1] = '\0';
  return buffer;
}

int GetSettingInt(const char* key, int fallback) {
  const SettingEntry* entry = FindSetting(&g_table, key);
  if (!entry) return fallback;
  // Decimal as the standard conversion reads it, but held to the int range instead of
  // overflowing on a value with too many digits.
  const char* p = entry->value;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  long long magnitude = 0;
  constexpr long long kLimit = 2147483648LL;  // one past INT_MAX, the magnitude of INT_MIN
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<int>(-magnitude);
  return static_cast<int>(magnitude >= kLimit ? kLimit - 1 : magnitude);
}

const DirectiveNode* FirstDirective(DirectiveSection section) {
  int index = static_cast<int>(section);
  if (index < 0 || index >= kDirectiveSectionCount) return nullptr;
  return g_directives.first[index];
}

void ResetSettingsForTests() {
  FreeSettingsTable(&g_table);
  FreeDirectiveLists(&g_directives);
  ResetAccessorCachesForTests();
}
