// Writing whole files so that nothing is lost when the write fails.
//
// A regular file, or a name that does not exist yet, is written as a new file beside it
// (in the same folder, so on the same file system), flushed to the disk and then renamed
// over the name: until the rename the old file is untouched, and a failure at any step
// removes only the new file. Whatever existed before stays as it was.
//
// - A symbolic link is followed to the file it names, and that file is replaced; the link
//   stays a link. A link that names nothing yet creates its target.
// - A path that exists and is not a regular file (a device such as /dev/full, a FIFO, a
//   terminal, or a link through /proc such as /dev/stdout) cannot be replaced: it is
//   opened and written directly, and never removed.
// - A file the user may not write (by the effective permissions, as a direct open would
//   find them) is refused with that reason, not replaced behind its back.
// - A replaced file keeps its permission bits and, where the system allows it, its owner
//   and group. A new file gets the modes of any new file (0666 less the umask).
// - The temporary name is ".NAME.XXXXXX", with NAME shortened when the whole would be
//   longer than the folder allows: any name that the folder accepts can be written.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace vemora::platform {

// Writes the contents to the stream; false when a write failed (errno telling why, when
// it does).
using FileWriter = std::function<bool(std::FILE*)>;

// Writes the file at `path` with `write` as described above. Returns 0 on success, else
// the errno value of the step that failed (EIO when nothing more precise is known).
int WriteFileSafely(const std::string& path, const FileWriter& write);

// Writes to an open stream that is not ours to close, such as standard output, and
// flushes it. Returns 0 or the errno value of the failure.
int WriteToStream(std::FILE* stream, const FileWriter& write);

// The system's text for an errno value ("No space left on device").
std::string ErrorText(int err);

} // namespace vemora::platform
