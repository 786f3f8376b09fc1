#pragma once
// Whole-file reading and atomic replacement of a file, reporting failures as errno values.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillon::fileio {

struct ReadResult {
    int error = 0;  // 0, an errno value, or EFBIG when the file is larger than the limit
    std::string bytes;
};

// Reads a regular file whole. Anything else is refused without reading it (a folder with
// EISDIR, a device or pipe with EINVAL), so that no read can block.
ReadResult ReadFile(const std::filesystem::path& file, std::size_t maxBytes);

// Replaces `file` with `bytes` so that the file never holds part of them: they go to a new file
// in the same folder, reach the disk (fsync), and that file is renamed over `file`. An existing
// file keeps its permission bits; a symbolic link is followed and its target replaced. Returns 0
// or the errno of the step that failed; on failure `file` is as it was and the new file is gone.
int ReplaceFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace quillon::fileio
