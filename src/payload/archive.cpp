// Payload entry header reader, name rules and name matching.
#include "payload/archive.h"

#include <cstring>

namespace {

size_t ReadMemory(void* context, void* buffer, size_t size) {
  MemorySource* memory = static_cast<MemorySource*>(context);
  size_t left = memory->size - memory->position;
  size_t take = size < left ? size : left;
  if (take > 0) memcpy(buffer, memory->data + memory->position, take);
  memory->position += take;
  return take;
}

void SkipMemory(void* context, uint64_t count) {
  MemorySource* memory = static_cast<MemorySource*>(context);
  size_t left = memory->size - memory->position;
  memory->position += count < left ? static_cast<size_t>(count) : left;
}

// A component that Windows would shorten to ".." or to nothing: only dots and spaces, and
// not the harmless ".".
bool IsDotComponent(const char* begin, size_t length) {
  if (length == 1 && begin[0] == '.') return false;
  for (size_t i = 0; i < length; ++i) {
    if (begin[i] != '.' && begin[i] != ' ') return false;
  }
  return true;
}

bool ReadWhole(const ArchiveSource* source, void* buffer, size_t size) {
  return source->read(source->context, buffer, size) == size;
}

}  // namespace

ArchiveSource MakeMemorySource(MemorySource* memory, const void* data, size_t size) {
  memory->data = static_cast<const unsigned char*>(data);
  memory->size = data ? size : 0;
  memory->position = 0;
  return ArchiveSource{memory, ReadMemory, SkipMemory};
}

int SeekFile64(FILE* file, int64_t position, int whence) {
#ifdef _WIN32
  return _fseeki64(file, position, whence);
#else
  return fseeko(file, position, whence);
#endif
}

namespace {

size_t ReadFileSource(void* context, void* buffer, size_t size) {
  FileSource* source = static_cast<FileSource*>(context);
  uint64_t left = source->position < source->end ? source->end - source->position : 0;
  size_t take = size < left ? size : static_cast<size_t>(left);
  size_t got = take ? fread(buffer, 1, take, source->file) : 0;
  source->position += got;
  return got;
}

void SkipFileSource(void* context, uint64_t count) {
  FileSource* source = static_cast<FileSource*>(context);
  uint64_t left = source->position < source->end ? source->end - source->position : 0;
  source->position += count < left ? count : left;
  SeekFile64(source->file, static_cast<int64_t>(source->position), SEEK_SET);
}

}  // namespace

ArchiveSource MakeFileSource(FileSource* source, FILE* file, uint64_t position, uint64_t end) {
  *source = FileSource{file, position, end};
  return ArchiveSource{source, ReadFileSource, SkipFileSource};
}

int IsSafeEntryName(const char* name, size_t length, int is_folder) {
  if (length < 2 || length > kMaxNameLength) return 0;
  if (name[length - 1] != '\0' || memchr(name, '\0', length - 1) != nullptr) return 0;
  const char* component = name;
  const char* end = name + length - 1;
  for (const char* p = name; p < end; ++p) {
    unsigned char byte = static_cast<unsigned char>(*p);
    if (IsLeadByte(byte) && p + 1 < end) {
      ++p;  // the trail byte may be 0x5C or 0x2F and is no separator
      continue;
    }
    if (byte == ':') return 0;
    if (byte == '\\' || byte == '/') {
      size_t size = static_cast<size_t>(p - component);
      if (size == 0 || IsDotComponent(component, size)) return 0;
      component = p + 1;
    }
  }
  size_t last = static_cast<size_t>(end - component);
  if (last == 0) return is_folder && end[-1] == '\\';
  return !IsDotComponent(component, last);
}

HeaderResult ReadEntryHeader(const ArchiveSource* source, EntryHeader* header) {
  unsigned char field[kFileSizeSize + kStoredSizeSize];
  header->name_length = 0;
  header->name[0] = '\0';
  header->file_size = 0;
  header->stored_size = 0;
  if (!ReadWhole(source, field, kNameLengthSize)) return HeaderResult::ShortRead;
  uint16_t length = GetU16(field);
  if (length == 0) return HeaderResult::End;
  if (length > kMaxNameLength) return HeaderResult::BadName;
  header->name_length = length;
  if (!ReadWhole(source, header->name, length)) {
    header->name[0] = '\0';
    return HeaderResult::ShortRead;
  }
  bool terminated = header->name[length - 1] == '\0';
  header->name[length - 1] = '\0';  // the name is printable text from here on, whatever it held
  if (!ReadWhole(source, field, sizeof field)) return HeaderResult::ShortRead;
  header->file_size = static_cast<int32_t>(GetU32(field + kFileSizeOffset));
  header->stored_size = static_cast<int32_t>(GetU32(field + kStoredSizeOffset));
  int is_folder = header->file_size == kFolderFileSize;
  if (!terminated) return HeaderResult::BadName;
  if (!IsSafeEntryName(header->name, length, is_folder)) return HeaderResult::BadName;
  if (!is_folder && (header->file_size < 0 || header->stored_size <= 0)) {
    return HeaderResult::BadSize;
  }
  return HeaderResult::Entry;
}

int JoinDestinationPath(char* path, const char* folder, const char* name) {
  return FormatText(path, kPathSize, "%s\\%s", folder, name);
}

bool NameContains(const char* name, const char* pattern) {
  char lower_name[kPathSize];
  char lower_pattern[kPathSize];
  CopyText(lower_name, sizeof lower_name, name);
  CopyText(lower_pattern, sizeof lower_pattern, pattern);
  LowerMb(lower_name);
  LowerMb(lower_pattern);
  return FindTextMb(lower_name, lower_pattern) != nullptr;
}

bool IsConfigName(const char* name) {
  return NameContains(name, "insttscr.rct") || NameContains(name, "install.env") ||
         NameContains(name, ".txt");
}
