#include "run_cli.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace quillon::cli::testing {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr long kMemoryCapKilobytes = 0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kMemoryCapKilobytes = 0;
#else
constexpr long kMemoryCapKilobytes = 4'000'000;
#endif
#else
constexpr long kMemoryCapKilobytes = 4'000'000;
#endif

std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-cli-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::write(std::string_view name, std::string_view bytes) const {
    std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return file.string();
}

// Standard streams go through files, so a large output can never block the child on a pipe.
CliResult runCli(const std::vector<std::string>& args, const CliOptions& options) {
    ScratchDir scratch;
    std::string in = scratch.write("stdin", options.input);
    std::string out = (scratch.path() / "stdout").string();
    std::string err = (scratch.path() / "stderr").string();

    std::string limits;
    if (options.stackKilobytes > 0)
        limits += "ulimit -s " + std::to_string(options.stackKilobytes) + " && ";
    if (kMemoryCapKilobytes > 0)
        limits += "ulimit -v " + std::to_string(kMemoryCapKilobytes) + " && ";
    std::vector<std::string> argv;
    if (!limits.empty()) argv = {"/bin/sh", "-c", limits + "exec \"$0\" \"$@\""};
    argv.push_back(QUILLON_CLI_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& arg : argv) cargv.push_back(arg.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    if (options.outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.outputFd, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);

    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    CliResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

}  // namespace quillon::cli::testing
