#include "fileops.h"

#include <cstring>

#include "errtrace.h"
#include "fileplatform.h"

int file_type(const char* path) {
  switch (fileplatform::find_first(path)) {
    case fileplatform::FindResult::kDirectory:
      return 'd';
    case fileplatform::FindResult::kHiddenOrSystem:
      return ' ';
    case fileplatform::FindResult::kOther:
      return '-';
    case fileplatform::FindResult::kNotFound:
      break;
  }
  MERRTRACE("%s(): _findfirst(\"%s\") failed: %s", "file_type", path, fileplatform::last_error_text().c_str());
  return -1;
}

int64_t file_size(const char* path) {
  const int type = file_type(path);
  if (type < 0) return -1;
  if (type == 'd') return 0;
  int64_t size = 0;
  if (!fileplatform::stat_size(path, size)) {
    MERRTRACE("file_size(): _stat64(\"%s\") failed: %s", path, fileplatform::last_error_text().c_str());
    return -1;
  }
  return size;
}

bool file_exists(const char* path) { return fileplatform::exists(path); }

bool file_rename(const char* from, const char* to) {
  if (fileplatform::replace_file(from, to)) return true;
  MERRTRACE("file_rename(): MoveFileEx(%s,%s) failed: %u", from, to, fileplatform::last_error_code());
  return false;
}

char* file_dirname(const char* path, char* out) {
  if (path == nullptr) return nullptr;
  const char* last_separator = nullptr;
  for (const char* at = path; *at != '\0'; ++at) {
    if (*at == '/' || *at == '\\') last_separator = at;
  }
  if (last_separator == nullptr) return nullptr;
  const size_t length = static_cast<size_t>(last_separator - path);
  std::memcpy(out, path, length);
  out[length] = '\\';
  out[length + 1] = '\0';
  return out;
}
