// Canonical local form of a manually chosen install folder: pure steps over a 260-byte buffer.
#pragma once
#include <cstddef>

// What the normalisation made of a typed folder. Every refusal leaves the text within its
// buffer; TooLong means a step would have needed more room than the buffer has.
enum class InstallPathResult { Ok, NetworkPath, DriveRoot, TooLong };

// What the normalisation needs from the system and the settings, passed in so that it stays a
// pure function: the Windows directory as the system reports it, and the game's folder names.
struct InstallPathContext {
  const char* windows_directory;
  const char* instfol;  // null or empty when the maker gives none
  const char* instto;
  int instmakefol;
};

// Decimal reading of a registry or settings text: leading blanks skipped, an optional sign,
// digits up to the first other character; no digits give 0, overflow clamps to the int range.
int ReadDecimalInt(const char* text);

// The proposal: the Windows directory's drive root, "Program Files\", the maker's folder and
// the game's folder. false (and an empty text) when it would not fit into `size` bytes.
bool BuildProposedInstallPath(char* path, size_t size, const InstallPathContext& context);

// The single steps, in the order NormaliseInstallPath runs them.
void ReplaceSlashes(char* path);
bool IsNetworkPath(const char* path);
bool AppendGameFolder(char* path, size_t size, const InstallPathContext& context);
bool AddDriveOfWindows(char* path, size_t size, const char* windows_directory);
bool AddSeparatorAfterDrive(char* path, size_t size);
bool IsDriveRoot(const char* path);

// Brings a typed folder in `path` (a buffer of `size` bytes) into its canonical local form in
// place, stopping at the first refusal.
InstallPathResult NormaliseInstallPath(char* path, size_t size, const InstallPathContext& context);
