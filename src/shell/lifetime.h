// Lifetime of one run: the work folder in the temp path and its removal.
#pragma once

// Records the start folder, creates the work folder "TempGPInstallFolder_%09d" in the temp
// path and makes it the current directory.
void CreateWorkFolder();

// Makes the start folder current, deletes the plain files of the work folder and removes it.
void RemoveWorkFolder();
// Full path of this run's work folder (empty before it is created).
const char* GetWorkFolder();
