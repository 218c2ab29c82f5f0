// One accessor per settings key, with its default, its static result buffer and its reading rule.
#include <cstring>

#include "settings/settings.h"
#include "settings/settings_reader.h"
#include "shell/cp932.h"

namespace {

constexpr int kNotRead = -1;
constexpr size_t kTitleSize = kPathSize;  // the longest title is 140 bytes

char g_reg_global[kValueSize];
char g_reg_local[kValueSize];
char g_ini_file[kValueSize];
char g_ini_section[kValueSize];
char g_titlebar[kValueSize];
char g_instto[kValueSize];
char g_instfol[kValueSize];
char g_keyfile[kValueSize];
char g_chkreg[kValueSize];
int g_instmakefol = kNotRead;
int g_chkregver = kNotRead;
int g_chkregverhigh = kNotRead;
char g_updater_title[kTitleSize];

// Looked up only while the buffer is still empty, so in practice on the first call.
const char* ReadOnce(char* buffer, const char* key, const char* fallback) {
  if (buffer[0] == '\0') GetSettingString(key, buffer, kValueSize, fallback);
  return buffer;
}

const char* ReadEveryCall(char* buffer, const char* key, const char* fallback) {
  return GetSettingString(key, buffer, kValueSize, fallback);
}

const char* NullWhenEmpty(const char* text) { return text[0] ? text : nullptr; }

// -1 marks "not read yet", so a value of -1 is looked up again on every call.
int ReadCached(int* cache, const char* key) {
  if (*cache == kNotRead) *cache = GetSettingInt(key, 0);
  return *cache;
}

}  // namespace

const char* REG_GLOBAL() { return ReadOnce(g_reg_global, "REG_GLOBAL", "-"); }
const char* REG_LOCAL() { return ReadOnce(g_reg_local, "REG_LOCAL", "-"); }
const char* INI_FILE() { return ReadOnce(g_ini_file, "INI_FILE", "-"); }
const char* INI_SECTION() { return ReadOnce(g_ini_section, "INI_SECTION", "-"); }
const char* TITLEBAR() { return ReadEveryCall(g_titlebar, "TITLEBAR", "ＺＯＬＭＩＲ アプリケーション"); }
const char* INSTTO() { return ReadEveryCall(g_instto, "INSTTO", "ZOLMIR_APP"); }
const char* INSTFOL() { return NullWhenEmpty(ReadEveryCall(g_instfol, "INSTFOL", "")); }
int INSTMAKEFOL() { return ReadCached(&g_instmakefol, "INSTMAKEFOL"); }
const char* KEYFILE() { return NullWhenEmpty(ReadEveryCall(g_keyfile, "KEYFILE", "")); }
const char* CHKREG() { return NullWhenEmpty(ReadEveryCall(g_chkreg, "CHKREG", "")); }
int CHKREGVER() { return ReadCached(&g_chkregver, "CHKREGVER"); }
int CHKREGVERHIGH() { return ReadCached(&g_chkregverhigh, "CHKREGVERHIGH"); }

const char* UpdaterTitle() {
  FormatText(g_updater_title, sizeof g_updater_title, "%s アップデータ", TITLEBAR());
  return g_updater_title;
}

void ResetAccessorCachesForTests() {
  char* buffers[] = {g_reg_global, g_reg_local, g_ini_file, g_ini_section, g_titlebar,
                     g_instto,     g_instfol,   g_keyfile,  g_chkreg};
  for (char* buffer : buffers) memset(buffer, 0, kValueSize);
  g_instmakefol = kNotRead;
  g_chkregver = kNotRead;
  g_chkregverhigh = kNotRead;
  memset(g_updater_title, 0, sizeof g_updater_title);
}
