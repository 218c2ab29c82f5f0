// Host stand-ins for the updater's services that the settings readers call: files, notices, memory.
#pragma once
#include <string>

// The stand-in Ffopen is plain fopen: it gives null instead of asking when the file cannot be
// opened. AllocOrWarn is plain malloc.

// How the stand-in notice answers: Retry returns to the caller, Cancel ends the process with -1.
enum class NoticeAnswer { Retry, Cancel };

void SetNoticeAnswer(NoticeAnswer answer);
// Every ErrorBoxRetry text shown so far, each also written to stderr as "NOTICE[<text>]".
const std::string& ShownNotices();
void ClearShownNotices();
