// Lifetime of one run: the work folder in the temp path and its removal.
#pragma once

// Makes the start folder current, deletes the plain files of the work folder and removes it.
void RemoveWorkFolder();
// Full path of this run's work folder (empty before it is created).
const char* GetWorkFolder();
