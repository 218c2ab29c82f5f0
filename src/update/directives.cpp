// Splitting and text substitution of the [ini] and [reg] directive lines.
#include "update/directives.h"

#include <cstring>

#include "shell/cp932.h"

namespace {

constexpr char kIniCdromToken[] = "REP_CDROMDRIVE";
constexpr char kRegCdromToken[] = "REP_CDROM";
constexpr char kInstallToken[] = "REP_INSTALL";
constexpr char kNoCdromRoot[] = "E:\\";
constexpr char kRegSeparator[] = "\"=\"";
constexpr size_t kRegSeparatorLength = sizeof(kRegSeparator) - 1;

const char* g_install_folder = nullptr;
CdromRootLookup g_cdrom_lookup = nullptr;

char g_ini_result[kDirectiveTextSize];
char g_reg_result[kDirectiveTextSize];
char g_unescape_result[kDirectiveTextSize];

const char* CdromRoot() {
  const char* root = g_cdrom_lookup ? g_cdrom_lookup() : nullptr;
  return root ? root : kNoCdromRoot;
}

// Replaces the first occurrence of `token` in `text` (a 512-byte text) by `replacement`.
// Returns false, leaving the text as it was, when the result would not fit.
bool ReplaceFirst(char* text, const char* token, const char* replacement) {
  char* at = FindTextMb(text, token);
  if (!at) return true;
  size_t head = static_cast<size_t>(at - text);
  size_t token_length = strlen(token);
  size_t tail = strlen(at + token_length);
  size_t insert = strlen(replacement);
  if (insert >= kDirectiveTextSize || head + insert + tail >= kDirectiveTextSize) return false;
  memmove(text + head + insert, at + token_length, tail + 1);
  memcpy(text + head, replacement, insert);
  return true;
}

const char* Substitute(char* result, const char* text, const char* cdrom_token) {
  if (!CopyText(result, kDirectiveTextSize, text)) return nullptr;
  // The drive is looked up only when the token is there, as the drives may change between lines.
  if (FindTextMb(result, cdrom_token) && !ReplaceFirst(result, cdrom_token, CdromRoot())) {
    return nullptr;
  }
  const char* folder = g_install_folder ? g_install_folder : "";
  if (!ReplaceFirst(result, kInstallToken, folder)) return nullptr;
  return result;
}

}  // namespace

void SetInstallFolderRecord(const char* folder) { g_install_folder = folder; }

void SetCdromRootLookup(CdromRootLookup lookup) { g_cdrom_lookup = lookup; }

const char* SubstituteIniTokens(const char* line) {
  return Substitute(g_ini_result, line, kIniCdromToken);
}

const char* SubstituteRegTokens(const char* text) {
  return Substitute(g_reg_result, text, kRegCdromToken);
}

const char* UnescapeBackslashes(const char* text) {
  CopyText(g_unescape_result, kDirectiveTextSize, text);
  char* p = g_unescape_result;
  while (*p) {
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      p += 2;
      continue;
    }
    if (*p != '\\') {
      ++p;
      continue;
    }
    memmove(p, p + 1, strlen(p + 1) + 1);
    if (!*p) break;
    // The character that took the backslash's place is kept whole: a double-byte character
    // whose trail byte is 0x5C must not lose that byte as a second backslash.
    p += (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ? 2 : 1;
  }
  return g_unescape_result;
}

int SplitIniLine(const char* line, char* key, char* value) {
  if (!FindCharMb(line, '=')) return -1;
  const char* s = SubstituteIniTokens(line);
  if (!s) return -1;
  const char* equals = FindCharMb(s, '=');
  if (!equals) return -1;
  size_t key_length = static_cast<size_t>(equals - s);
  memcpy(key, s, key_length);
  key[key_length] = '\0';
  CopyText(value, kDirectiveTextSize, equals + 1);
  return 0;
}

int SplitRegLine(const char* line, char* name, char* data) {
  if (!strstr(line, kRegSeparator)) return -1;
  const char* s = SubstituteRegTokens(UnescapeBackslashes(line));
  if (!s || !s[0]) return -1;
  const char* separator = strstr(s + 1, kRegSeparator);
  if (!separator) return -1;
  size_t name_length = static_cast<size_t>(separator - (s + 1));
  memcpy(name, s + 1, name_length);
  name[name_length] = '\0';
  // The data follows the separator that ended the name, so name and data never overlap.
  const char* rest = separator + kRegSeparatorLength;
  size_t data_length = strlen(rest);
  if (data_length > 0) --data_length;
  memcpy(data, rest, data_length);
  data[data_length] = '\0';
  return 0;
}
