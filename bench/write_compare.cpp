// quillon-write-compare: `quillon-cli write --raw` next to a pugixml load + save of the same file,
// each as a whole process with its output going to /dev/null, the two run in turn so that both
// meet the same machine. Reports the median wall and CPU time, the ratio to pugixml and the peak
// resident memory per input byte.
//
//   quillon-write-compare [--megabytes=M] [--rounds=N] [--cli=PATH]
//       M MB of generated records (30), N rounds (7), another quillon-cli (this build's)
//   quillon-write-compare --pugixml-roundtrip FILE            the pugixml side on its own
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "inputs.h"

extern char** environ;

namespace {

struct Sample {
    double wall = 0, cpu = 0;
    long maxRssKb = 0;
};

// Runs argv with standard output on /dev/null and measures it; exits on any failure.
Sample measure(std::vector<std::string> argv) {
    std::vector<char*> cargv;
    for (std::string& arg : argv) cargv.push_back(arg.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", cargv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", cargv[0]);
        std::exit(1);
    }
    auto seconds = [](timeval t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {std::chrono::duration<double>(end - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int roundTrip(const char* file) {
    pugi::xml_document doc;
    if (!doc.load_file(file)) return 1;
    pugi::xml_writer_file out(stdout);
    doc.save(out, "\t", pugi::format_default, pugi::encoding_auto);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

std::string flag(int argc, char** argv, const std::string& name, const std::string& fallback) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with(name + "=")) return arg.substr(name.size() + 1);
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--pugixml-roundtrip") return roundTrip(argv[2]);
    const double megabytes = std::atof(flag(argc, argv, "--megabytes", "30").c_str());
    const int rounds = std::max(1, std::atoi(flag(argc, argv, "--rounds", "7").c_str()));
    const std::string cli = flag(argc, argv, "--cli", QUILLON_CLI_PATH);

    const std::string input = quillon::bench::generateRecords(megabytes).bytes;
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("quillon-write-compare-" + std::to_string(getpid()) + ".xml");
    std::ofstream(file, std::ios::binary).write(input.data(), std::streamsize(input.size()));
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();

    struct Side {
        const char* name;
        std::vector<std::string> argv;
        std::vector<double> wall, cpu;
        long maxRssKb = 0;
    };
    Side sides[] = {
        {"quillon-cli write --raw", {cli, "write", "--raw", file.string()}, {}, {}, 0},
        {"pugixml load + save", {self, "--pugixml-roundtrip", file.string()}, {}, {}, 0},
    };
    for (int round = 0; round < rounds; ++round) {
        for (Side& side : sides) {
            const Sample s = measure(side.argv);
            side.wall.push_back(s.wall);
            side.cpu.push_back(s.cpu);
            side.maxRssKb = std::max(side.maxRssKb, s.maxRssKb);
        }
    }
    std::filesystem::remove(file);

    std::printf("input: %.1f MB of records, %d interleaved rounds, output to /dev/null\n",
                double(input.size()) / 1e6, rounds);
    std::printf("%-26s %10s %10s %10s %12s %14s\n", "program", "wall s", "cpu s", "cpu ratio",
                "peak MiB", "peak B/input B");
    const double baseCpu = median(sides[1].cpu);
    for (const Side& side : sides) {
        const double cpu = median(side.cpu);
        std::printf("%-26s %10.3f %10.3f %10.2f %12.1f %14.2f\n", side.name, median(side.wall), cpu,
                    cpu / baseCpu, double(side.maxRssKb) / 1024,
                    double(side.maxRssKb) * 1024 / double(input.size()));
    }
    return 0;
}
