// Names of temporary files that stand in for a file being replaced.
#pragma once

#include <string>

namespace zelvoro::platform {

// ".zelvoro-" and ten random lowercase letters or digits, then ".tmp": the same length whatever
// the name of the file it stands in for, so that a name up to the file system's limit still
// leaves room for it beside that file.
std::string temporary_file_name();

} // namespace zelvoro::platform
