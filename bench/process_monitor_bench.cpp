// Cost of one process-table sample beside three baselines measured in the same run, at the
// machine's own process count and again with 2,000 extra sleeping processes this program starts
// (and ends, by pid, before it exits):
// - bareThreeFileRead: open, read and close /proc/<pid>/stat, statm and io of every process;
// - keptOpenFloor: the same three files of every process held open, read again with pread;
// - psRun: one run of ps over every process.
// Goals: a sample costs at most 1.3 times the bare read, at most 1.5 times the kept-open floor
// and at most a third of the ps run.
#include "base/Numbers.h"
#include "monitors/ProcessMonitor.h"
#include "platform/OpenFileLimit.h"

#include <array>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

extern char** environ;

namespace {

constexpr int extraProcesses = 2000;
constexpr std::array<const char*, 3> recordNames{"stat", "statm", "io"};

struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Calls `each(pid text)` for every numeric entry of /proc.
template <typename Each> void forEachProcess(Each&& each) {
    const std::unique_ptr<DIR, DirectoryCloser> dir(::opendir("/proc"));
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name.empty() || name.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        each(name);
    }
}

// "/proc/<pid>/<record>" in a fixed buffer.
const char* recordPath(std::array<char, 64>& path, std::string_view pid, const char* record) {
    const std::string full = "/proc/" + std::string(pid) + "/" + record;
    const std::size_t length = std::min(full.size(), path.size() - 1);
    std::copy_n(full.begin(), length, path.begin());
    path[length] = '\0';
    return path.data();
}

void processMonitorSample(benchmark::State& state) {
    morvanex::ProcessMonitor monitor;
    monitor.sample(); // the names are cached from here on, as on every tick but the first
    for (auto _ : state)
        monitor.sample();
    state.counters["processes"] = double(monitor.processes.size());
}

void bareThreeFileRead(benchmark::State& state) {
    std::array<char, 4096> buffer;
    std::array<char, 64> path{};
    std::size_t processes = 0;
    for (auto _ : state) {
        processes = 0;
        forEachProcess([&](std::string_view pid) {
            for (const char* record : recordNames) {
                const int fd = ::open(recordPath(path, pid, record), O_RDONLY | O_CLOEXEC);
                if (fd < 0)
                    continue;
                benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
                ::close(fd);
            }
            ++processes;
        });
    }
    state.counters["processes"] = double(processes);
}

void keptOpenFloor(benchmark::State& state) {
    std::array<char, 4096> buffer;
    std::array<char, 64> path{};
    std::unordered_map<int, std::array<int, 3>> held;
    std::size_t files = 0;
    forEachProcess([&](std::string_view pid) {
        std::array<int, 3> fds{-1, -1, -1};
        for (std::size_t i = 0; i < recordNames.size(); ++i) {
            fds[i] = ::open(recordPath(path, pid, recordNames[i]), O_RDONLY | O_CLOEXEC);
            files += fds[i] >= 0 ? 1 : 0;
        }
        held.emplace(std::stoi(std::string(pid)), fds);
    });
    for (auto _ : state) {
        // Listed each time, as a sample must to find new processes.
        forEachProcess([&](std::string_view pid) {
            int id = 0;
            std::from_chars(pid.data(), pid.data() + pid.size(), id);
            const auto found = held.find(id);
            if (found == held.end())
                return;
            for (const int fd : found->second)
                if (fd >= 0)
                    benchmark::DoNotOptimize(::pread(fd, buffer.data(), buffer.size(), 0));
        });
    }
    for (const auto& [pid, fds] : held)
        for (const int fd : fds)
            if (fd >= 0)
                ::close(fd);
    state.counters["processes"] = double(held.size());
    state.counters["files held"] = double(files);
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

BENCHMARK(processMonitorSample)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(bareThreeFileRead)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(keptOpenFloor)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(psRun)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Sleeping children, started here and ended by their pids when this goes (they also end with
// this program if it dies first).
class SleepingProcesses {
public:
    explicit SleepingProcesses(int count) {
        pids_.reserve(std::size_t(count));
        const pid_t parent = ::getpid();
        for (int i = 0; i < count; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != parent)
                    ::_exit(0);
                ::execl("/bin/sleep", "sleep", "100000", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            if (child < 0) {
                std::cerr << "started only " << pids_.size() << " extra processes\n";
                break;
            }
            pids_.push_back(child);
        }
        // Give them time to reach exec, so each is a separate small process.
        ::usleep(500'000);
    }
    SleepingProcesses(const SleepingProcesses&) = delete;
    SleepingProcesses& operator=(const SleepingProcesses&) = delete;
    ~SleepingProcesses() {
        for (const pid_t pid : pids_)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : pids_) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    std::size_t size() const { return pids_.size(); }

private:
    std::vector<pid_t> pids_;
};

// The console report, keeping each benchmark's real time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {} // plain text: the figures go into notes
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
                if (const auto processes = run.counters.find("processes");
                    processes != run.counters.end())
                    counts[run.run_name.function_name] = processes->second.value;
            }
    }
    std::map<std::string, double> times;
    std::map<std::string, double> counts;
};

void printRatios(const std::string& label, const RatioReporter& reporter) {
    const auto sample = reporter.times.find("processMonitorSample");
    if (sample == reporter.times.end())
        return;
    const auto processes = reporter.counts.find("processMonitorSample");
    std::cout << label << " ("
              << (processes != reporter.counts.end() ? std::to_string(int(processes->second))
                                                     : std::string("?"))
              << " processes): sample " << morvanex::numbers::fixed(sample->second, 1) << " us";
    if (processes != reporter.counts.end() && processes->second > 0)
        std::cout << ", " << morvanex::numbers::fixed(sample->second / processes->second, 2)
                  << " us per process";
    std::cout << "\n";
    const std::array<std::pair<const char*, double>, 3> goals{
        {{"bareThreeFileRead", 1.3}, {"keptOpenFloor", 1.5}, {"psRun", 1.0 / 3.0}}};
    for (const auto& [baseline, goal] : goals) {
        const auto base = reporter.times.find(baseline);
        if (base == reporter.times.end() || base->second <= 0)
            continue;
        const double ratio = sample->second / base->second;
        std::cout << "  sample / " << baseline << " = " << morvanex::numbers::fixed(ratio, 3)
                  << " (" << morvanex::numbers::fixed(base->second, 1) << " us; goal at most "
                  << morvanex::numbers::fixed(goal, 3) << ": " << (ratio <= goal ? "met" : "MISSED")
                  << ")\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    // As the program does at start: the process table sizes itself from this limit.
    morvanex::platform::raiseOpenFileLimit();
    benchmark::Initialize(&argc, argv);

    RatioReporter own;
    benchmark::RunSpecifiedBenchmarks(&own);
    RatioReporter crowded;
    std::size_t started = 0;
    {
        const SleepingProcesses extra(extraProcesses);
        started = extra.size();
        std::cout << "\nWith " << started << " extra sleeping processes:\n";
        benchmark::RunSpecifiedBenchmarks(&crowded);
    }

    std::cout << "\n";
    printRatios("The machine's own processes", own);
    printRatios("With " + std::to_string(started) + " extra", crowded);
    benchmark::Shutdown();
    return 0;
}
