// The payload archive carried after the updater's own image: finding it and extracting it.
#pragma once
#include <cstdint>
#include <cstdio>

enum class ExtractMode { Full = 0, ConfigOnly = 1 };

// Opens the updater's own file at the archive's first byte and records the payload size;
// null when the file cannot be opened.
FILE* OpenPayload();
// Payload size recorded by the last OpenPayload: every byte from the first entry to the trailer.
uint32_t GetPayloadSize();
// Extracts into `folder` (Full: every entry, behind the copy progress window; ConfigOnly: the
// configuration files only). Returns only on success: damage ends the process with -1.
void ExtractPayload(const char* folder, ExtractMode mode);
