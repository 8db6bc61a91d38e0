#pragma once

#include "monitors/SpeedTestResult.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class QTimer;

namespace morvanex {

namespace platform {
class NetToolRun;
} // namespace platform

// Measures the connection on demand with the system's network-quality tool and keeps the ten
// newest results in the user defaults. Main thread only.
class SpeedTest {
public:
    struct Idle {
        bool operator==(const Idle&) const = default;
    };
    struct Running {
        QDateTime started;
        bool operator==(const Running&) const = default;
    };
    struct Failed {
        QString message;
        bool operator==(const Failed&) const = default;
    };
    using State = std::variant<Idle, Running, Failed>;

    static inline const QString storageKey = QStringLiteral("MorvanexSpeedTests.v1");
    static inline const QString defaultTool = QStringLiteral("/usr/bin/networkQuality");
    static inline const QString launchFailedMessage = QStringLiteral("Couldn't start the test.");
    static inline const QString failedMessage =
        QStringLiteral("The test failed. Check your connection.");
    static inline const QString noResultMessage = QStringLiteral("The test returned no result.");
    static constexpr std::size_t maxResults = 10;

    // Starts idle with the results stored under `storageKey` (none when they do not decode).
    explicit SpeedTest(platform::UserDefaults defaults = platform::UserDefaults::standard(),
                       QString tool = defaultTool,
                       platform::Clock clock = platform::Clock::system());
    SpeedTest(const SpeedTest&) = delete;
    SpeedTest& operator=(const SpeedTest&) = delete;
    ~SpeedTest(); // a running tool is killed; nothing is reported

    // Runs the tool unless a test is running or the tool is not an executable file.
    void start();
    // Asks a running tool to end; the state returns to idle once it has.
    void cancel();
    // The tool is an executable file (the speed-test card is offered only then).
    bool toolAvailable() const;
    bool isRunning() const { return std::holds_alternative<Running>(state); }

    // The tool's JSON answer as a result dated `now`; nothing unless it is an object with
    // "dl_throughput" and "ul_throughput" as numbers (bits per second).
    static std::optional<SpeedTestResult> parse(const QByteArray& data, const QDateTime& now);

    State state = Idle{};
    std::vector<SpeedTestResult> results; // newest first
    std::function<void()> onChange;

private:
    void finish(const QByteArray& data, int status, bool signalled);
    void changed();

    platform::UserDefaults defaults_;
    QString tool_;
    platform::Clock clock_;
    std::unique_ptr<platform::NetToolRun> process_;
    std::unique_ptr<QTimer> progressTimer_;
};

} // namespace morvanex
