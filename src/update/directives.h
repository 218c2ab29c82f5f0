// Splitting and text substitution of the [ini] and [reg] directive lines of an update.
#pragma once
#include <cstddef>

// Every text here (static results, key, value, name and data texts) holds 512 bytes.
constexpr size_t kDirectiveTextSize = 512;

// The install folder record: the folder that REP_INSTALL stands for while an update runs.
// Null clears it; a cleared record substitutes the empty text.
void SetInstallFolderRecord(const char* folder);

// Where the CD-ROM tokens find their drive root. The updater hooks in FindCdromDrive; with no
// hook the root is "E:\", the answer for a machine without a CD-ROM drive. It is asked afresh
// at every substitution of a token.
using CdromRootLookup = const char* (*)();
void SetCdromRootLookup(CdromRootLookup lookup);

// The line with the first "REP_CDROMDRIVE" and then the first "REP_INSTALL" replaced, in a
// static text that stays valid until the next call; null when the result would not fit.
const char* SubstituteIniTokens(const char* line);
// The same with "REP_CDROM" in place of "REP_CDROMDRIVE", in a static text of its own.
const char* SubstituteRegTokens(const char* text);
// The text with each backslash removed and the character after it kept unexamined, in a
// static text of its own.
const char* UnescapeBackslashes(const char* text);

// key=value after substitution, split at the first "=", nothing trimmed. 0, or -1 for a line
// without "=" or one that outgrows 512 bytes through substitution (then nothing is written).
int SplitIniLine(const char* line, char* key, char* value);
// "name"="data" after un-escaping and substitution, the opening and the closing byte dropped.
// 0, or -1 for a line without "\"=\"", one whose only separator begins at its first byte, or
// one that outgrows 512 bytes through substitution.
int SplitRegLine(const char* line, char* name, char* data);

// Windows side of the procedure.
// Root of the first CD-ROM drive ("D:\" and so on), or "E:\" when there is none.
const char* FindCdromDrive();
// A REG_SZ value under HKEY_CURRENT_USER\Software\<global>\<local>, the key created when
// missing: 0, or -1 on failure.
int WriteUserRegString(const char* global, const char* local, const char* name, const char* data);
// Applies the [delfiles_afterinst] directive list to the install folder.
void DeleteAfterInstall(const char* folder);
