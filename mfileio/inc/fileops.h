// Path operations over the platform's file services. Failures add one error-trace entry.
#pragma once

#include <cstdint>

// 'd' for a directory, ' ' for a hidden or system file, '-' for any other file, -1 when not found.
int file_type(const char* path);
// The size in bytes; 0 for a directory; -1 when the path cannot be examined.
int64_t file_size(const char* path);
bool file_exists(const char* path);
// Moves `from` to `to`, replacing an existing target.
bool file_rename(const char* from, const char* to);
// Writes the part of `path` before its last '/' or '\' plus one '\' into `out` (at least
// strlen(path) + 2 bytes) and answers `out`; null for an empty path or one without a separator.
char* file_dirname(const char* path, char* out);
