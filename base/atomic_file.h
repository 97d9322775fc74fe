// Files the operator keeps ("devnames.lst", patch files) are replaced, never
// overwritten in place: the bytes go to a temporary file beside the target,
// are flushed to disk, and only then renamed over it. A crash, a full disk or
// a failed write leaves the old file as it was. A file the user may not write
// is refused, as an in-place write would be; a replaced file keeps its mode
// (and owner and group, as far as the user may give them). A temporary left by
// a save that was killed is removed by the next save of the same file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korval {

// Throws FileError naming the file and the system's reason ("Cannot create
// file <path>: Permission denied").
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);
// Throws FileError when the file cannot be opened or read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace korval
