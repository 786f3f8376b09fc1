// quillon-cli: a command-line front over the XML document library, for scripts and checks.
#include <csignal>
#include <string_view>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
    // A reader that goes away (a closed pipe) fails the write with EPIPE, which is reported,
    // instead of ending the process silently.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return quillon::cli::runCommandLine(args, quillon::cli::Streams{});
}
