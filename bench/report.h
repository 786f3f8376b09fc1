#pragma once
// Shared by the benchmark programs: the --scale flag, and a reporter that keeps each benchmark's
// seconds per iteration for the summary tables printed after the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace quillon::bench {

// CPU time keeps side-by-side ratios steady on a shared machine; real time includes what the
// window's event loop waits for.
enum class Clock { Cpu, Real };

class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    CollectingReporter(std::map<std::string, double>& seconds, Clock clock)
        : seconds_(seconds), clock_(clock) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const double time =
                clock_ == Clock::Cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            seconds_[run.run_name.function_name] =
                time / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

  private:
    std::map<std::string, double>& seconds_;
    Clock clock_;
};

// Takes "--scale=F" out of the arguments (the rest go to the benchmark library); 1 when absent.
inline double readScale(int& argc, char** argv) {
    double scale = 1.0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--scale=", 8) == 0) {
            scale = std::max(0.0001, std::atof(argv[i] + 8));
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return scale;
}

}  // namespace quillon::bench
