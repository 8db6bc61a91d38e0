// The agent server end to end: one `morvanex --mcp` process, 1000 calls of each tool sent one
// after another through its standard input, each timed from the request's write to the reply
// line's arrival. The history tool reads a database holding 30 days, written beforehand
// through the history store as the tray application would have written it. Prints min, median
// and p99 per tool and the server's peak resident memory.
//
// Baseline, measured in the same run: "ping", the same round trip through the same pipes and
// dispatch with an empty answer, so each tool's ratio shows what its answer costs.
//
// Usage: mcp_server_bench [--morvanex=PATH] [benchmark flags]
// PATH defaults to the morvanex binary of the same build.

#include "base/Numbers.h"
#include "history/HistoryStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace morvanex;

namespace {

using Steady = std::chrono::steady_clock;

constexpr int callsPerTool = 1000;
constexpr std::int64_t day = 86400;

std::string ms(double seconds) {
    return numbers::fixed(seconds * 1000, 3) + " ms";
}

// 30 days of every metric: one sample a minute, then one every 2 seconds in the last hour, so
// each range reads full tiers. The store's clock walks along with the samples so that roll-ups
// and pruning happen as they would have.
bool writeMonth(const QString& path) {
    const std::int64_t end = QDateTime::currentSecsSinceEpoch();
    auto now = std::make_shared<std::atomic<std::int64_t>>(end - 30 * day);
    HistoryStore::Options options;
    options.clock.now = [now] { return QDateTime::fromSecsSinceEpoch(now->load(), Qt::UTC); };
    options.flushInterval = std::chrono::hours(24 * 365);
    auto store = HistoryStore::open(path, false, options);
    if (!store)
        return false;
    std::mt19937_64 random(20250101);
    std::uniform_real_distribution<double> unit(0, 1);
    int pending = 0;
    for (std::int64_t t = end - 30 * day; t < end;) {
        HistoryStore::Values values;
        for (const HistoryMetric metric : allCases<HistoryMetric>())
            values[metric] = unit(random) * 100;
        now->store(t);
        store->record(values, QDateTime::fromSecsSinceEpoch(t, Qt::UTC));
        if (++pending == 900) {
            store->flush();
            pending = 0;
        }
        t += t < end - 3600 ? 60 : 2;
    }
    store->flush();
    return true;
}

// The server with pipes to its standard input and output; its standard error is the bench's.
class Server {
public:
    Server(const std::string& binary, const std::string& home) {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        // The bare environment agent applications give their servers.
        std::vector<std::string> env = {"HOME=" + home, "PATH=/usr/local/bin:/usr/bin:/bin",
                                        "USER=bench"};
        std::vector<char*> envp;
        for (std::string& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string program = binary;
        std::string flag = "--mcp";
        char* argv[] = {program.data(), flag.data(), nullptr};
        if (posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv, envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server() {
        finish();
        if (output_ >= 0)
            ::close(output_);
    }

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Sends one line and returns the reply line, or nothing when the server is gone.
    std::optional<QByteArray> exchange(const QByteArray& line) {
        const QByteArray framed = line + '\n';
        if (::write(input_, framed.constData(), std::size_t(framed.size())) != framed.size())
            return std::nullopt;
        for (;;) {
            if (const qsizetype end = buffer_.indexOf('\n'); end >= 0) {
                QByteArray reply = buffer_.left(end);
                buffer_.remove(0, end + 1);
                return reply;
            }
            char chunk[65536];
            const ssize_t n = ::read(output_, chunk, sizeof chunk);
            if (n <= 0 && errno != EINTR)
                return std::nullopt;
            if (n > 0)
                buffer_.append(chunk, n);
        }
    }

    // The kernel's figure for the process's highest resident set, in bytes.
    std::int64_t peakResident() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid_));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').front().toLongLong() * 1024;
        }
        return 0;
    }

    // Closes standard input and waits: the exit status.
    int finish() {
        if (input_ >= 0)
            ::close(std::exchange(input_, -1));
        int status = 0;
        if (pid_ > 0 && ::waitpid(std::exchange(pid_, -1), &status, 0) > 0)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    QByteArray buffer_;
};

Server* server = nullptr;

struct Figures {
    double min = 0;
    double median = 0;
    double p99 = 0;
};
std::vector<std::pair<std::string, Figures>> results;
double pingMedian = 0;

Figures figuresOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto at = [&](double p) {
        const auto rank = numbers::truncatedInt64(p * double(values.size() - 1)).value_or(0);
        return values[std::size_t(std::clamp<std::int64_t>(rank, 0, values.size() - 1))];
    };
    return {values.front(), at(0.5), at(0.99)};
}

QByteArray request(const std::string& tool, const std::string& arguments) {
    if (tool == "ping")
        return R"({"jsonrpc":"2.0","id":1,"method":"ping"})";
    return QByteArray::fromStdString(
        R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":")" + tool +
        R"(","arguments":)" + arguments + "}}");
}

void toolBenchmark(benchmark::State& state, const std::string& label, const std::string& tool,
                   const std::string& arguments) {
    const QByteArray line = request(tool, arguments);
    std::vector<double> latencies;
    latencies.reserve(callsPerTool);
    for (auto _ : state) {
        const auto start = Steady::now();
        const std::optional<QByteArray> reply = server->exchange(line);
        const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
        if (!reply || reply->contains("\"isError\":true")) {
            state.SkipWithError(("no answer: " + (reply ? reply->toStdString() : "")).c_str());
            break;
        }
        state.SetIterationTime(seconds);
        latencies.push_back(seconds);
    }
    if (latencies.empty())
        return;
    const Figures figures = figuresOf(latencies);
    if (tool == "ping")
        pingMedian = figures.median;
    state.counters["min_ms"] = figures.min * 1000;
    state.counters["median_ms"] = figures.median * 1000;
    state.counters["p99_ms"] = figures.p99 * 1000;
    if (pingMedian > 0)
        state.counters["median_x_ping"] = figures.median / pingMedian;
    results.emplace_back(label, figures);
}

std::string defaultBinary() {
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return QDir(QFileInfo(self.symLinkTarget()).path() + QStringLiteral("/.."))
        .filePath(QStringLiteral("morvanex"))
        .toStdString();
}

} // namespace

int main(int argc, char** argv) {
    std::string binary = defaultBinary();
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--morvanex=", 11) == 0)
            binary = argv[i] + 11;
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    std::signal(SIGPIPE, SIG_IGN);

    QTemporaryDir home;
    const QString database = home.path() + QStringLiteral("/.local/share/Morvanex/history.sqlite");
    const auto began = Steady::now();
    if (!writeMonth(database)) {
        std::cerr << "could not write the history database\n";
        return 1;
    }
    std::cout << "History: 30 days written in "
              << numbers::fixed(std::chrono::duration<double>(Steady::now() - began).count(), 1)
              << " s, " << numbers::fixed(double(QFileInfo(database).size()) / 1048576, 1)
              << " MiB\n";

    Server instance(binary, home.path().toStdString());
    if (!instance.running() ||
        !instance.exchange(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})")) {
        std::cerr << "could not start " << binary << " --mcp\n";
        return 1;
    }
    server = &instance;
    const std::int64_t startResident = instance.peakResident();

    const std::vector<std::tuple<std::string, std::string, std::string>> tools = {
        {"ping (baseline)", "ping", "{}"},
        {"get_overview", "get_overview", "{}"},
        {"get_top_processes", "get_top_processes", "{}"},
        {"get_top_processes/memory:30", "get_top_processes", R"({"sort_by":"memory","limit":30})"},
        {"get_history/1h", "get_history", R"({"metric":"cpu_user","range":"1h"})"},
        {"get_history/24h", "get_history", R"({"metric":"cpu_user","range":"24h"})"},
        {"get_history/7d", "get_history", R"({"metric":"temperature","range":"7d"})"},
        {"get_history/30d", "get_history", R"({"metric":"power","range":"30d"})"},
        {"get_history/30d:200", "get_history",
         R"({"metric":"net_down","range":"30d","points":200})"},
        {"get_sensors/all", "get_sensors", R"({"all_sensors":true})"},
        {"get_battery", "get_battery", "{}"},
        {"get_network", "get_network", "{}"},
        {"get_disks", "get_disks", "{}"},
        {"get_connected_devices", "get_connected_devices", "{}"},
    };
    for (const auto& [label, tool, arguments] : tools) {
        benchmark::RegisterBenchmark(label.c_str(),
                                     [label, tool, arguments](benchmark::State& state) {
                                         toolBenchmark(state, label, tool, arguments);
                                     })
            ->Iterations(callsPerTool)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const std::int64_t peak = instance.peakResident();
    server = nullptr;
    const int status = instance.finish();

    std::cout << "\nLatency per call, " << callsPerTool
              << " calls each, one server process (request written to reply read):\n";
    for (const auto& [label, figures] : results) {
        std::cout << "  " << label << std::string(label.size() < 30 ? 30 - label.size() : 1, ' ')
                  << "min " << ms(figures.min) << "  median " << ms(figures.median) << "  p99 "
                  << ms(figures.p99);
        if (pingMedian > 0)
            std::cout << "  (" << numbers::fixed(figures.median / pingMedian, 1)
                      << "x ping median)";
        std::cout << "\n";
    }
    std::cout << "Server resident memory: " << numbers::fixed(double(startResident) / 1048576, 1)
              << " MiB after initialize, peak " << numbers::fixed(double(peak) / 1048576, 1)
              << " MiB\n"
              << "Server exit status at end of input: " << numbers::integerText(status) << "\n";
    return 0;
}
