// File access for the number reader: open for reading, read, close, standard input, with
// failures reported as Windows-compatible error codes so that the reader's messages keep
// their meanings on every platform.
//
// POSIX errno to error code:
//
//   ENOENT, file itself missing           2   ERROR_FILE_NOT_FOUND
//   ENOENT, a folder on the path missing  3   ERROR_PATH_NOT_FOUND
//   ENOTDIR, ENAMETOOLONG, path too long  3   ERROR_PATH_NOT_FOUND
//   EMFILE, ENFILE                        4   ERROR_TOO_MANY_OPEN_FILES
//   EACCES, EPERM, EISDIR                 5   ERROR_ACCESS_DENIED
//   not a regular file (folder, FIFO,
//   device, socket)                       5   ERROR_ACCESS_DENIED
//   EBADF                                 6   ERROR_INVALID_HANDLE
//   ENOMEM                                8   ERROR_NOT_ENOUGH_MEMORY
//   ENXIO, ENODEV                        21   ERROR_NOT_READY
//   EIO                                  30   ERROR_READ_FAULT
//   ETXTBSY, EBUSY                       32   ERROR_SHARING_VIOLATION
//   EINVAL                               87   ERROR_INVALID_PARAMETER
//   EPIPE                               109   ERROR_BROKEN_PIPE
//   EAGAIN                              170   ERROR_BUSY
//   EFBIG, EOVERFLOW                    223   ERROR_FILE_TOO_LARGE
//   ELOOP                              1921   ERROR_CANT_RESOLVE_FILENAME
//   anything else                        31   ERROR_GEN_FAILURE
//
// Only regular files are opened: a FIFO or a device would block the reader (and with it
// the window) forever or never end, so those are refused as access denied. Standard input
// is used as it is, whatever it is connected to.
#pragma once

#include <cstdint>

namespace vemora::platform {

using FileHandle = int;
constexpr FileHandle kInvalidFileHandle = -1;

namespace error {
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kTooManyOpenFiles = 4;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kNotReady = 21;
constexpr uint32_t kReadFault = 30;
constexpr uint32_t kGenFailure = 31;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kBrokenPipe = 109;
constexpr uint32_t kBusy = 170;
constexpr uint32_t kFileTooLarge = 223;
constexpr uint32_t kCantResolveFilename = 1921;
} // namespace error

// The longest path OpenForReading accepts, in bytes without the terminator.
constexpr int kMaxPathLength = 4095;

// Maps an errno value to the code of the table above (ENOENT gives 2; the caller that
// knows the path distinguishes 3).
uint32_t WindowsErrorFromErrno(int err);

// Opens an existing regular file for reading; others may read it at the same time.
// Returns 0 and the handle, or an error code and kInvalidFileHandle.
uint32_t OpenForReading(const char* path, FileHandle& handle);

// Reads up to `count` bytes; `got` is 0 at the end of the file. Returns 0 or an error code.
uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count, uint32_t& got);

// Closes a handle from OpenForReading. Returns 0 or an error code.
uint32_t CloseFile(FileHandle handle);

// The process's standard input.
FileHandle StdInputHandle();

// Holds `count` descriptors back for the program's own needs (0 gives them all up). When
// OpenForReading finds the process out of descriptors it gives the reserve up, so that the
// message saying so can still be shown: a window system needs descriptors to draw it. The
// next OpenForReading takes the reserve up again, as far as it can. Take it early, before
// the window system takes its own.
void ReserveDescriptors(int count);
// The descriptors held back now.
int ReservedDescriptors();

// Where a regular file's handle stands, in bytes from the start; false for anything that
// cannot be read again from a place (a pipe, a terminal, a device) or on failure.
bool RereadablePosition(FileHandle handle, int64_t& offset);

// Moves a regular file's handle to `offset`; false on failure.
bool SeekFile(FileHandle handle, int64_t offset);

} // namespace vemora::platform
