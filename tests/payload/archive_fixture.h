// Helpers of the payload tests: archives built in memory by the writer, and extraction hooks
// over a scratch folder that record what the walk asked for.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "payload/archive_writer.h"
#include "payload/extract_core.h"

namespace fixture {

// The bytes of an archive (starting at offset 0) that `fill` writes, as the reader sees them up
// to the trailer: with the end marker, or without it when `finish` is false.
std::string BuildArchive(const std::function<void(ArchiveWriter*)>& fill, bool finish = true,
                         int level = 6);

// A zlib stream of `data`, and the same with its Adler-32 check value spoiled.
std::string ZlibStream(const std::string& data);
std::string BadAdlerStream(const std::string& data);

// Little-endian header bytes, for hand-made entries.
std::string Header(const std::string& name_with_nul, int32_t file_size, int32_t stored_size);

// A scratch folder and hooks that write into it, turning '\' into '/'.
struct Target {
  std::string root;
  std::vector<std::string> opened;    // paths the walk opened for writing
  std::vector<std::string> folders;   // folders it created
  std::vector<std::pair<uint32_t, uint32_t>> progress;  // (per-file, overall) positions
  std::vector<std::pair<std::string, int32_t>> begun;   // per-file start (path, size)
  std::vector<std::pair<std::string, uint64_t>> times;  // time stamps given
  int pumps = 0;
  long write_budget = -1;  // bytes the output accepts before it is "full"; -1 without limit
  bool no_memory = false;
  ExtractHooks hooks;

  Target();
  ~Target();
  std::string Local(const std::string& archive_path) const;
  // A path inside the scratch folder, '/' separated.
  std::string Path(const std::string& relative) const { return root + "/" + relative; }
  // Archive-style folder (the root) to hand to ExtractArchive.
  const char* Folder() const { return root.c_str(); }
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Names in a folder, sorted.
std::vector<std::string> List(const std::string& folder);

}  // namespace fixture
