// The update procedure that the main menu's update slot runs.
#pragma once

// 0 when the update was carried out, -1 when it was called off before anything was written.
int RunUpdate();
