// Stand-ins for the common services the image code calls, with counters for the tests.
#pragma once
#include <cstddef>

// Number of Ffopen calls so far.
extern int g_ffopen_calls;
// AllocOrWarn refuses its call number `g_fail_alloc_at` (counting from 1); 0 never refuses.
extern int g_alloc_calls;
extern int g_fail_alloc_at;
// Number of refusals, each of which stands for the out-of-memory notice.
extern int g_alloc_notices;

void ResetStandIns();
