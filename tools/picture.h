// The picture converter of the makers tool (mkupdate picture ...).
#pragma once

// Runs `mkupdate picture IN OUT`; argv[0] is "picture". Returns the process exit code.
int RunPictureCommand(int argc, char** argv);
