// Finding the game's install folder: the registry lookup with its version gate, and the manual choice.
#pragma once

// 0: the registered folder is usable and confirmed, copied into `destination` (260 bytes);
// -1: not registered or unusable (a notice was shown); -2: the gate refused or the user declined.
int FindInstallFolder(char* destination);
// 0: a folder was chosen in the SETUP dialog, passed every check and was confirmed; -1 otherwise.
int ChooseInstallFolder(char* destination);
// True when the installed version may take this update; on refusal its notice has been shown.
bool PassesVersionGate();
