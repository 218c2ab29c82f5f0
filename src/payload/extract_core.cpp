// Portable walk of the payload archive and the block-wise inflation of one entry.
#include "payload/extract_core.h"

#include <zlib.h>

#include <cstring>

namespace {

// zlib checks only the first digit of the version, so this stays the version the updater
// has always asked for while the stream size is the one of the zlib it is built with.
constexpr const char kZlibVersion[] = "1.2.3";
constexpr char kTemporarySuffix[] = ".~zp";
constexpr char kShortTemporaryName[] = "~zp";

void Progress(const ExtractHooks* hooks, uint64_t written, uint64_t consumed) {
  if (hooks->progress) hooks->progress(hooks->context, ProgressUnits(written), ProgressUnits(consumed));
  if (hooks->pump) hooks->pump(hooks->context);
}

int Fail(ExtractReport* report, ExtractStatus status, const char* name) {
  report->status = status;
  CopyText(report->entry, sizeof report->entry, name);
  return -1;
}

}  // namespace

void MakeTemporaryPath(char* temporary, const char* target) {
  if (FormatText(temporary, kPathSize, "%s%s", target, kTemporarySuffix)) return;
  // No room for the suffix: a short name of no more bytes than the target's own last part.
  CopyText(temporary, kPathSize, target);
  char* separator = FindLastCharMb(temporary, '\\');
  char* last = separator ? separator + 1 : temporary;
  size_t room = kPathSize - 1 - static_cast<size_t>(last - temporary);
  size_t take = strlen(kShortTemporaryName);
  if (take > room) take = room;
  memcpy(last, kShortTemporaryName, take);
  last[take] = '\0';
  if (strcmp(temporary, target) == 0 && take > 0) last[take - 1] = '_';
}

int InflateEntryToFile(const ArchiveSource* source, int32_t file_size, int32_t stored_size,
                       const char* path, const ExtractHooks* hooks, uint64_t consumed,
                       ExtractStatus* status) {
  ExtractStatus ignored;
  if (!status) status = &ignored;
  *status = ExtractStatus::Done;
  if (file_size < 0 || stored_size <= 0) {
    *status = ExtractStatus::BadSize;
    return 1;
  }
  unsigned char* input = static_cast<unsigned char*>(hooks->alloc(hooks->context, kBlockSize));
  unsigned char* output = static_cast<unsigned char*>(hooks->alloc(hooks->context, kBlockSize));
  if (!input || !output) {
    if (input) hooks->release(hooks->context, input);
    if (output) hooks->release(hooks->context, output);
    *status = ExtractStatus::NoMemory;
    return 1;
  }
  unsigned char stamp[kTimeStampSize];
  if (source->read(source->context, stamp, sizeof stamp) != sizeof stamp) {
    hooks->release(hooks->context, input);
    hooks->release(hooks->context, output);
    *status = ExtractStatus::DamagedData;
    return 1;
  }
  uint64_t filetime = GetU32(stamp) | (static_cast<uint64_t>(GetU32(stamp + 4)) << 32);
  consumed += kTimeStampSize;

  char temporary[kPathSize];
  MakeTemporaryPath(temporary, path);
  void* file = hooks->open_output(hooks->context, temporary);
  if (!file) {
    hooks->release(hooks->context, input);
    hooks->release(hooks->context, output);
    *status = ExtractStatus::OutputFailed;
    return 1;
  }
  if (hooks->begin_file) hooks->begin_file(hooks->context, path, file_size);

  z_stream z;
  memset(&z, 0, sizeof z);
  bool initialised = inflateInit_(&z, kZlibVersion, static_cast<int>(sizeof z)) == Z_OK;
  ExtractStatus failure = initialised ? ExtractStatus::Done : ExtractStatus::NoMemory;
  z.next_out = output;
  z.avail_out = kBlockSize;
  uint64_t written = 0;
  uint64_t remaining = static_cast<uint64_t>(stored_size);
  const uint64_t expected = static_cast<uint64_t>(file_size);
  while (failure == ExtractStatus::Done) {
    if (z.avail_in == 0 && remaining > 0) {
      size_t chunk = remaining >= kBlockSize ? kBlockSize : static_cast<size_t>(remaining);
      remaining -= chunk;
      consumed += chunk;
      z.next_in = input;
      z.avail_in = static_cast<uInt>(source->read(source->context, input, chunk));
    }
    int result = inflate(&z, Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      size_t pending = kBlockSize - z.avail_out;
      // The stream must fill the stored data exactly and give exactly the file size.
      if (z.avail_in != 0 || remaining != 0 || written + pending != expected) {
        failure = ExtractStatus::DamagedData;
        break;
      }
      if (pending > 0) {
        if (hooks->write_output(hooks->context, file, output, pending) != pending) {
          failure = ExtractStatus::OutputFailed;
          break;
        }
        written += pending;
        Progress(hooks, written, consumed);
      }
      break;
    }
    if (result != Z_OK) {
      failure = ExtractStatus::DamagedData;
      break;
    }
    if (z.avail_out > 0) continue;
    // Never write more than the header promised: a stream that keeps going is damage.
    if (written + kBlockSize > expected) {
      failure = ExtractStatus::DamagedData;
      break;
    }
    if (hooks->write_output(hooks->context, file, output, kBlockSize) != kBlockSize) {
      failure = ExtractStatus::OutputFailed;
      break;
    }
    written += kBlockSize;
    z.next_out = output;
    z.avail_out = kBlockSize;
    Progress(hooks, written, consumed);
  }
  if (initialised && inflateEnd(&z) != Z_OK && failure == ExtractStatus::Done) {
    failure = ExtractStatus::DamagedData;
  }
  if (hooks->close_output(hooks->context, file) != 0 && failure == ExtractStatus::Done) {
    failure = ExtractStatus::OutputFailed;
  }
  hooks->release(hooks->context, input);
  hooks->release(hooks->context, output);
  if (failure == ExtractStatus::Done) {
    hooks->set_file_time(hooks->context, temporary, filetime);
    if (hooks->replace_file(hooks->context, temporary, path) == 0) return 0;
    failure = ExtractStatus::OutputFailed;
  }
  hooks->remove_output(hooks->context, temporary);
  *status = failure;
  return 1;
}

int ExtractArchive(const ArchiveSource* source, const char* folder, ExtractMode mode,
                   const ExtractHooks* hooks, ExtractReport* report) {
  memset(report, 0, sizeof *report);
  uint64_t consumed = 0;
  EntryHeader header;
  for (;;) {
    switch (ReadEntryHeader(source, &header)) {
      case HeaderResult::End:
        return 0;
      case HeaderResult::ShortRead:
        return Fail(report, ExtractStatus::ShortHeader, header.name);
      case HeaderResult::BadName:
        return Fail(report, ExtractStatus::BadName, header.name);
      case HeaderResult::BadSize:
        return Fail(report, ExtractStatus::BadSize, header.name);
      case HeaderResult::Entry:
        break;
    }
    consumed += header.name_length + kHeaderOverhead;
    bool is_folder = header.file_size == kFolderFileSize;
    if (mode == ExtractMode::ConfigOnly) {
      if (is_folder) {
        const char* separator = FindCharMb(header.name, '\\');
        if (!separator || separator[1] == '\0') continue;  // a top-level folder
        return 0;  // a folder inside a folder: the configuration files are all behind us
      }
      if (!IsConfigName(header.name)) {
        source->skip(source->context, static_cast<uint64_t>(header.stored_size) + kTimeStampSize);
        continue;
      }
    }
    char path[kPathSize];
    if (!JoinDestinationPath(path, folder, header.name)) {
      return Fail(report, ExtractStatus::PathTooLong, header.name);
    }
    if (is_folder) {
      hooks->make_folder(hooks->context, path);
      ++report->folders;
      continue;
    }
    ExtractStatus status;
    if (InflateEntryToFile(source, header.file_size, header.stored_size, path, hooks, consumed,
                           &status) != 0) {
      return Fail(report, status, header.name);
    }
    ++report->files;
    consumed += kTimeStampSize + static_cast<uint64_t>(header.stored_size);
  }
}

const char* DescribeExtractStatus(ExtractStatus status) {
  switch (status) {
    case ExtractStatus::Done: return "no damage";
    case ExtractStatus::ShortHeader: return "the archive ends inside an entry header";
    case ExtractStatus::BadName: return "the name would leave the destination folder or is too long";
    case ExtractStatus::BadSize: return "the entry's sizes are impossible";
    case ExtractStatus::PathTooLong: return "the destination path would be over 259 bytes";
    case ExtractStatus::OutputFailed: return "the output file could not be written";
    case ExtractStatus::NoMemory: return "out of memory";
    case ExtractStatus::DamagedData: return "the compressed data is damaged or has the wrong size";
  }
  return "unknown";
}
