// Cost of one process-table sample beside two baselines measured in the same run: one run of
// ps over every process, and a bare read of every /proc/<pid>/stat. Goals: a sample costs at
// most a third of the ps run and at most twice the bare read.
#include "base/Numbers.h"
#include "monitors/ProcessMonitor.h"

#include <array>
#include <benchmark/benchmark.h>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void processMonitorSample(benchmark::State& state) {
    morvanex::ProcessMonitor monitor;
    monitor.sample(); // the names are cached from here on, as on every tick but the first
    for (auto _ : state)
        monitor.sample();
    state.counters["processes"] = double(monitor.processes.size());
}

void psRun(benchmark::State& state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::array<std::string, 4> words{"ps", "-e", "-o", "pid,pcpu,rss,comm"};
    std::array<char*, 5> argv{words[0].data(), words[1].data(), words[2].data(), words[3].data(),
                              nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        if (posix_spawnp(&child, "ps", &actions, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("ps cannot be started");
            break;
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

void bareStatRead(benchmark::State& state) {
    std::array<char, 4096> buffer;
    std::size_t files = 0;
    for (auto _ : state) {
        files = 0;
        const std::unique_ptr<DIR, DirectoryCloser> dir(::opendir("/proc"));
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name(entry->d_name);
            if (name.empty() || name.find_first_not_of("0123456789") != std::string_view::npos)
                continue;
            std::array<char, 64> path{};
            const std::string full = "/proc/" + std::string(name) + "/stat";
            std::copy(full.begin(), full.end(), path.begin());
            const int fd = ::open(path.data(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
            ::close(fd);
            ++files;
        }
    }
    state.counters["processes"] = double(files);
}

BENCHMARK(processMonitorSample)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(psRun)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(bareStatRead)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The console report, keeping each benchmark's real time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {} // plain text: the figures go into notes
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

void printRatio(const RatioReporter& reporter, const std::string& baseline, double goal) {
    const auto sample = reporter.times.find("processMonitorSample");
    const auto base = reporter.times.find(baseline);
    if (sample == reporter.times.end() || base == reporter.times.end() || base->second <= 0)
        return;
    const double ratio = sample->second / base->second;
    std::cout << "sample / " << baseline << " = " << morvanex::numbers::fixed(ratio, 3)
              << " (goal at most " << morvanex::numbers::fixed(goal, 3) << ": "
              << (ratio <= goal ? "met" : "MISSED") << ")\n";
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatio(reporter, "psRun", 1.0 / 3.0);
    printRatio(reporter, "bareStatRead", 2.0);
    benchmark::Shutdown();
    return 0;
}
