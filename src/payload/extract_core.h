// Portable walk of the payload archive: entry by entry into a destination folder, through hooks.
// The updater supplies Windows hooks (window, folders, file times, replacement); the makers'
// tool and the host tests supply POSIX ones. Failures come back as a status, never an exit.
#pragma once
#include <cstddef>
#include <cstdint>

#include "payload/archive.h"
#include "payload/payload.h"

struct ExtractHooks {
  void* context;
  // Memory for the two 128 KiB buffers of one entry; null when none can be had.
  void* (*alloc)(void* context, size_t size);
  void (*release)(void* context, void* block);
  // Output files: open for writing (created or truncated), write, close (0, or -1 on error).
  void* (*open_output)(void* context, const char* path);
  size_t (*write_output)(void* context, void* file, const void* data, size_t size);
  int (*close_output)(void* context, void* file);
  void (*remove_output)(void* context, const char* path);
  // Last-write time of a closed file; results are not examined.
  void (*set_file_time)(void* context, const char* path, uint64_t filetime);
  // Puts the finished temporary file in the target's place: 0, or -1 (the target unchanged).
  int (*replace_file)(void* context, const char* temporary, const char* target);
  // Creates one folder level; results are not examined.
  void (*make_folder)(void* context, const char* path);
  // Optional (null): a file starts; its per-file range is `file_size` / kProgressUnit.
  void (*begin_file)(void* context, const char* path, int32_t file_size);
  // Optional (null): positions of the per-file and overall bars, in progress units.
  void (*progress)(void* context, uint32_t file_units, uint32_t overall_units);
  // Optional (null): dispatches queued window messages after each block.
  void (*pump)(void* context);
};

enum class ExtractStatus {
  Done = 0,
  ShortHeader,    // the archive ended inside an entry header or before the end marker
  BadName,        // a name that leaves the folder or breaks the limits
  BadSize,        // sizes no writer gives
  PathTooLong,    // destination folder + name over the path limit
  OutputFailed,   // the output could not be opened, written or put in place
  NoMemory,       // the buffers could not be had
  DamagedData,    // the zlib stream is damaged, ends early, has the wrong size or check value
};

// What the walk did, for the makers' tool and the tests.
struct ExtractReport {
  ExtractStatus status;
  char entry[kPathSize];   // name of the entry that failed (empty when none)
  uint32_t files;          // file entries written
  uint32_t folders;        // folder entries created
};

// Walks the archive from its first entry header to the end marker (or, in ConfigOnly mode,
// to the first folder inside a folder), writing into `folder`. 0, or -1 with `report` filled.
int ExtractArchive(const ArchiveSource* source, const char* folder, ExtractMode mode,
                   const ExtractHooks* hooks, ExtractReport* report);

// Inflates one entry whose time stamp the source stands at into `path`, through a temporary
// file beside it that replaces the target only when the stream ended cleanly with the right
// size and check value. `consumed` counts every archive byte before the time stamp.
// 0 on success, 1 on failure (`status`, when given, says why).
int InflateEntryToFile(const ArchiveSource* source, int32_t file_size, int32_t stored_size,
                       const char* path, const ExtractHooks* hooks, uint64_t consumed,
                       ExtractStatus* status);

// The temporary name beside `target` (kPathSize bytes): never the target itself.
void MakeTemporaryPath(char* temporary, const char* target);

// One sentence in English for the makers' tool.
const char* DescribeExtractStatus(ExtractStatus status);
