// The two line readers of install.env: key/value lines and directive sections, over a stream.
#include "settings/settings_reader.h"

#include <cstdlib>
#include <cstring>

#include "shell/cp932.h"

namespace {

constexpr char kEndOfSettings[] = "[EOF]";
constexpr char kEndOfDirectives[] = "EOF";

struct SectionHeader {
  const char* header;
  const char* name;
};
// Indexed by DirectiveSection.
constexpr SectionHeader kSectionHeaders[kDirectiveSectionCount] = {
    {"[delfiles]", "delfiles"},
    {"[delfiles_user]", "delfiles_user"},
    {"[ini]", "ini"},
    {"[reg]", "reg"},
    {"[delfiles_afterinst]", "delfiles_afterinst"},
};

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool BeginsWith(const char* line, const char* prefix) {
  return strncmp(line, prefix, strlen(prefix)) == 0;
}

// Copy of `length` bytes of `source` with a NUL, or null when memory is short.
char* CopyBytes(const char* source, size_t length, SettingsAllocator allocate) {
  if (length >= static_cast<size_t>(-1) - 1) return nullptr;
  char* copy = static_cast<char*>(allocate(length + 1));
  if (!copy) return nullptr;
  memcpy(copy, source, length);
  copy[length] = '\0';
  return copy;
}

// A value cannot hold a blank, so the file writes a vertical bar for each space. Trail bytes
// of double-byte characters may be 0x7C and are not bars.
void BarsToSpaces(char* value) {
  for (char* p = value; *p; ++p) {
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      ++p;
    } else if (*p == '|') {
      *p = ' ';
    }
  }
}

}  // namespace

bool ParseSettingLine(char* line, const char** key, const char** value) {
  if (IsBlank(line[0]) || line[0] == '/') return false;
  for (size_t i = 0; i < kLineSize; ++i) {
    if (IsBlank(line[i])) line[i] = '\0';
  }
  size_t key_end = strnlen(line, kLineSize);
  size_t start = key_end + 1;
  size_t limit = key_end + kMaxBlankRun;  // last position a value may begin at
  if (limit > kLineSize - 1) limit = kLineSize - 1;
  for (size_t i = start; i <= limit; ++i) {
    if (line[i] != '\0') {
      *key = line;
      *value = line + i;
      return true;
    }
  }
  return false;
}

int ReadSettingLines(FILE* stream, SettingsTable* table, SettingsAllocator allocate) {
  char line[kLineSize];
  for (int pass = 0; pass < kMaxSettingPasses; ++pass) {
    memset(line, 0, sizeof line);
    if (!fgets(line, static_cast<int>(sizeof line), stream)) break;
    if (memcmp(line, kEndOfSettings, sizeof kEndOfSettings - 1) == 0) break;
    const char* key = nullptr;
    const char* value = nullptr;
    if (!ParseSettingLine(line, &key, &value)) continue;
    size_t value_room = kLineSize - static_cast<size_t>(value - line);
    SettingEntry* entry = static_cast<SettingEntry*>(allocate(sizeof(SettingEntry)));
    char* key_copy = entry ? CopyBytes(key, strnlen(key, kLineSize), allocate) : nullptr;
    char* value_copy = key_copy ? CopyBytes(value, strnlen(value, value_room), allocate) : nullptr;
    if (!value_copy) {
      free(key_copy);
      free(entry);
      return -1;
    }
    BarsToSpaces(value_copy);
    entry->key = key_copy;
    entry->value = value_copy;
    entry->next = nullptr;
    if (table->last) {
      table->last->next = entry;
    } else {
      table->first = entry;
    }
    table->last = entry;
  }
  return 0;
}

const SettingEntry* FindSetting(const SettingsTable* table, const char* key) {
  for (const SettingEntry* entry = table->first; entry; entry = entry->next) {
    if (strcmp(entry->key, key) == 0) return entry;
  }
  return nullptr;
}

void FreeSettingsTable(SettingsTable* table) {
  SettingEntry* entry = table->first;
  while (entry) {
    SettingEntry* next = entry->next;
    free(entry->key);
    free(entry->value);
    free(entry);
    entry = next;
  }
  table->first = nullptr;
  table->last = nullptr;
}

const char* DirectiveSectionName(int section) {
  if (section < 0 || section >= kDirectiveSectionCount) return "";
  return kSectionHeaders[section].name;
}

void FreeDirectiveList(DirectiveLists* lists, int section) {
  DirectiveNode* node = lists->first[section];
  while (node) {
    DirectiveNode* next = node->next;
    free(node->text);
    free(node);
    node = next;
  }
  lists->first[section] = nullptr;
  lists->last[section] = nullptr;
}

void FreeDirectiveLists(DirectiveLists* lists) {
  for (int section = 0; section < kDirectiveSectionCount; ++section) {
    FreeDirectiveList(lists, section);
  }
}

namespace {

// The header a line begins with, or kNoSection.
int HeaderOf(const char* line) {
  for (int section = 0; section < kDirectiveSectionCount; ++section) {
    if (BeginsWith(line, kSectionHeaders[section].header)) return section;
  }
  return kNoSection;
}

// An item that cannot be stored for lack of memory is dropped (the allocator has warned);
// the reading goes on so that the section structure is still judged rightly.
void AppendItem(DirectiveLists* lists, int section, const char* line, size_t length,
                SettingsAllocator allocate) {
  DirectiveNode* node = static_cast<DirectiveNode*>(allocate(sizeof(DirectiveNode)));
  char* text = node ? CopyBytes(line, length, allocate) : nullptr;
  if (!text) {
    free(node);
    return;
  }
  node->text = text;
  node->next = nullptr;
  if (lists->last[section]) {
    lists->last[section]->next = node;
  } else {
    lists->first[section] = node;
  }
  lists->last[section] = node;
}

}  // namespace

int ReadDirectiveLines(FILE* stream, DirectiveLists* lists, SettingsAllocator allocate) {
  char line[kLineSize];
  int open = kNoSection;
  while (fgets(line, static_cast<int>(sizeof line), stream)) {
    size_t length = strnlen(line, sizeof line);
    while (length > 0 && IsBlank(line[length - 1])) line[--length] = '\0';
    if (length == 0) continue;
    if (BeginsWith(line, "//") || BeginsWith(line, ";")) continue;
    if (BeginsWith(line, kEndOfDirectives)) break;
    if (line[0] == '-') {
      open = kNoSection;
      continue;
    }
    int header = HeaderOf(line);
    if (header != kNoSection) {
      FreeDirectiveList(lists, header);
      open = header;
      continue;
    }
    if (open != kNoSection) AppendItem(lists, open, line, length, allocate);
  }
  return open;
}
