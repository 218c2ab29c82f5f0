// The install folder buffer that the registry lookup and the manual choice share.
#pragma once
#include <cstddef>

constexpr size_t kInstallFolderSize = 260;
// Room for a saved current directory, a default path or a folder joined with the key file.
constexpr size_t kFolderWorkSize = 520;

// The module-wide 260-byte text of the folder under consideration; only a confirmed folder
// is copied out of it to a caller.
char* InstallFolderBuffer();

// Shown when a folder would outgrow the install folder buffer (or its key-file path the
// file check's limit); the folder is then refused rather than cut.
extern const char kPathTooLongNotice[];
