#include "format_bench.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/format_xml.h"

extern char** environ;

namespace quillon::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The text as the source box gives it: every LF preceded by a CR.
std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
        out += c;
    }
    return out;
}

// Runs `xmllint --format path` with its output thrown away; the wall time in seconds, or a
// negative value when xmllint cannot be started or fails.
double runXmllint(const std::filesystem::path& path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string file = path.string();
    char* argv[] = {const_cast<char*>("xmllint"), const_cast<char*>("--format"), file.data(),
                    nullptr};
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "xmllint", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

using Seconds = std::map<std::string, std::vector<double>>;

// Registers one side of the comparison: `runOnce` formats the input once and gives its wall
// time in seconds, or a negative value when it could not run.
template <typename RunOnce>
void registerSide(const std::string& name, const FormatInput& input, Seconds& seconds,
                  RunOnce runOnce) {
    benchmark::RegisterBenchmark(
        name.c_str(),
        [&input, &seconds, name, runOnce](benchmark::State& state) {
            double total = 0;
            for (auto _ : state) {
                const double run = runOnce(input);
                if (run < 0) {
                    state.SkipWithError("xmllint --format could not run (install libxml2-utils)");
                    return;
                }
                state.SetIterationTime(run);
                total += run;
            }
            seconds[name].push_back(total / static_cast<double>(state.iterations()));
            state.SetBytesProcessed(state.iterations() *
                                    static_cast<std::int64_t>(input.text.size()));
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

double formatOnce(const FormatInput& input) {
    const Clock::time_point start = Clock::now();
    Text formatted = app::formatXml(input.text);
    const double run = std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::DoNotOptimize(formatted.data());
    return run;
}

double xmllintOnce(const FormatInput& input) {
    return runXmllint(input.path);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

FormatInput::~FormatInput() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove(path, ignored);
}

void FormatBench::registerAll(const std::vector<Input>& inputs) {
    for (const Input& input : inputs) {
        if (input.name != "records" && input.name != "wide") continue;
        auto format = std::make_unique<FormatInput>();
        format->name = input.name;
        format->text = withCrLf(input.bytes);
        format->path = std::filesystem::temp_directory_path() /
                       ("quillon-format-" + std::to_string(getpid()) + "-" + input.name + ".xml");
        std::ofstream(format->path, std::ios::binary) << format->text;
        registerSide("format/" + input.name + "/quillon", *format, seconds_, formatOnce);
        registerSide("format/" + input.name + "/xmllint", *format, seconds_, xmllintOnce);
        inputs_.push_back(std::move(format));
    }
}

void FormatBench::printTable() const {
    std::printf("\n%-10s %12s %12s %16s\n", "input", "quillon ms", "xmllint ms", "quillon/xmllint");
    for (const auto& format : inputs_) {
        const char* input = format->name.c_str();
        const std::string prefix = "format/" + format->name + "/";
        auto ours = seconds_.find(prefix + "quillon");
        auto theirs = seconds_.find(prefix + "xmllint");
        if (ours == seconds_.end()) continue;
        const double q = median(ours->second);
        if (theirs == seconds_.end() || theirs->second.empty()) {
            std::printf("%-10s %12.1f %12s %16s\n", input, q * 1e3, "-", "xmllint missing");
            continue;
        }
        const double x = median(theirs->second);
        std::printf("%-10s %12.1f %12.1f %16.2f\n", input, q * 1e3, x * 1e3, q / x);
    }
}

}  // namespace quillon::bench
