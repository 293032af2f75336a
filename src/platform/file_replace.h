// Writing a whole file so that a failure never destroys what was there before.
#pragma once

#include <string_view>

namespace zelvoro::platform {

// Replaces the content of the file at `path` (UTF-8) with `bytes`, creating it when missing.
// The new content goes to a temporary file beside the target (a symbolic link is followed),
// which takes the old file's permission bits (and, for root, its owner and group) and is
// renamed over the target only once it is completely written and flushed. Where no replacement
// can be made (no temporary file can be made beside it, the rename is refused, the target has
// more than one hard link, its owner or group cannot be kept) the file is written in place: the
// room for the new content is reserved first, and a file for which it cannot be had is left as
// it was. A file this process may not write (read-only), and anything that is not a regular file
// (a device, a pipe, a socket, a folder), is left alone; nothing waits for a pipe's reader.
// Returns false when the content could not be written; a temporary file is then removed and
// the target left as it was.
bool replace_file(std::string_view path, std::string_view bytes);

} // namespace zelvoro::platform
