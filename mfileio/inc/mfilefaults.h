// Test hook of the file layer: counts the platform file calls (open, read, write, flush, close,
// temporary name, rename, remove, find, status) and makes a chosen one fail as an I/O error of
// the system would. Its counters are process-wide test state, the only state of this kind in the
// module; production code never arms it, and then it costs one atomic increment per call.
// The existence test (file_exists) is neither counted nor failed: it has no failure to report.
#pragma once

#include <cstdint>

// From now on, the `n`-th platform call (1 = the next one) fails once; 0 disarms. Counting
// starts again at 0.
void MFileFaults_FailCall(uint64_t n);
// Platform calls made since the last MFileFaults_FailCall or MFileFaults_Reset.
uint64_t MFileFaults_CallCount();
// Whether the armed failure has happened.
bool MFileFaults_Fired();
// Handles opened by the file layer and not yet closed (a close that fails still releases its
// handle, as the systems do); a leak shows as a count that stays up.
int64_t MFileFaults_OpenHandles();
// Disarms the hook and sets the call count to 0 (the open-handle count stays).
void MFileFaults_Reset();
// The system error code that a failed call reports (EIO on POSIX, ERROR_IO_DEVICE on Windows).
uint32_t MFileFaults_ErrorCode();
