// Line readers of install.env over an open stream, with the tables they fill; no process-wide state.
#pragma once
#include <cstddef>
#include <cstdio>

#include "settings/settings.h"

// Both readers take their allocator so that the key/value reader can stay silent on
// exhausted memory (plain malloc) while the section reader warns (AllocOrWarn).
using SettingsAllocator = void* (*)(size_t);

constexpr int kMaxSettingPasses = 400;
constexpr size_t kMaxBlankRun = 99;
constexpr int kDirectiveSectionCount = 5;
constexpr int kNoSection = -1;

struct SettingEntry {
  char* key;
  char* value;
  SettingEntry* next;
};

struct SettingsTable {
  SettingEntry* first;
  SettingEntry* last;
};

struct DirectiveLists {
  DirectiveNode* first[kDirectiveSectionCount];
  DirectiveNode* last[kDirectiveSectionCount];
};

// Reads key/value lines into `table` (appending). Returns 0, or -1 when an allocation failed;
// reading then stops and every entry made before stays.
int ReadSettingLines(FILE* stream, SettingsTable* table, SettingsAllocator allocate);

// Interprets one line buffer of kLineSize bytes as the key/value reader does, turning its
// blank bytes into NUL. Gives the key and the value start, or false when it yields no entry.
bool ParseSettingLine(char* line, const char** key, const char** value);

// First entry with exactly `key`, or null.
const SettingEntry* FindSetting(const SettingsTable* table, const char* key);

// Frees every entry and leaves the table empty.
void FreeSettingsTable(SettingsTable* table);

// Reads the sections into `lists`. Returns the index of the section still open when the
// reading ended (a DirectiveSection value), or kNoSection when all were closed.
int ReadDirectiveLines(FILE* stream, DirectiveLists* lists, SettingsAllocator allocate);

// Name of a section without its brackets ("ini", ...).
const char* DirectiveSectionName(int section);

// Frees every node and string of one list / of all lists and leaves them empty.
void FreeDirectiveList(DirectiveLists* lists, int section);
void FreeDirectiveLists(DirectiveLists* lists);

// The process-wide state (settings.cpp, accessors.cpp) behind the public interface.
// The exit action of LoadSettings: frees the settings table and leaves it empty.
void ReleaseSettingsTable();
// Test use only: empties the table and the directive lists and forgets every accessor cache,
// so that one test process can read several settings files in turn.
void ResetSettingsForTests();
void ResetAccessorCachesForTests();
