// The settings file install.env: key/value settings with their accessors, and the directive sections.
#pragma once
#include <cstddef>

// Reads the key/value lines into the settings table: 0, or -1 when no stream could be had.
int LoadSettings(const char* path);
// Reads the directive sections into the five lists; ends the process on an unreadable file or
// a section left open.
void LoadDirectives(const char* path);

// Value of the first entry with `key` (or `fallback`), cut to size - 1 bytes; returns `buffer`.
char* GetSettingString(const char* key, char* buffer, size_t size, const char* fallback);
// Value of the first entry with `key` read as a decimal integer, or `fallback` when absent.
int GetSettingInt(const char* key, int fallback);

// Accessors, one per key, with the defaults and reading rules of the settings file. Text
// accessors return a static 128-byte buffer; the ones marked "or null" give null when empty.
const char* REG_GLOBAL();
const char* REG_LOCAL();
const char* INI_FILE();
const char* INI_SECTION();
const char* TITLEBAR();
const char* INSTTO();
const char* INSTFOL();   // or null
int INSTMAKEFOL();
const char* KEYFILE();   // or null
const char* CHKREG();    // or null
int CHKREGVER();
int CHKREGVERHIGH();

// "%s アップデータ" with TITLEBAR, formatted anew into a static buffer on every call.
const char* UpdaterTitle();

// The directive lists, in file order; readers walk them from the first node and never change them.
struct DirectiveNode {
  char* text;
  DirectiveNode* next;
};
enum class DirectiveSection { Delfiles, DelfilesUser, Ini, Reg, DelfilesAfterinst };
const DirectiveNode* FirstDirective(DirectiveSection section);
