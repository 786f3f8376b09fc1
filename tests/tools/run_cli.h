#pragma once
// Runs the built quillon-cli binary as a child process and captures what it did.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli::testing {

struct CliResult {
    int status = -1;  // exit status, or 128 + signal number when the child was killed
    std::string out;
    std::string err;
};

struct CliOptions {
    std::string input;       // bytes on the child's standard input
    int stackKilobytes = 0;  // when set, the child's stack limit
    int outputFd = -1;       // when set, the child's standard output instead of a capture
};

// A scratch folder removed with everything in it when the object goes.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to a file in the folder and returns its full name.
    std::string write(std::string_view name, std::string_view bytes) const;

  private:
    std::filesystem::path path_;
};

// Every run is capped at 4 GB of address space (except under a sanitizer, whose shadow memory
// alone reserves more), so a command that would die for want of memory shows as killed.
CliResult runCli(const std::vector<std::string>& args, const CliOptions& options = {});

}  // namespace quillon::cli::testing
