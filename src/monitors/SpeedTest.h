#pragma once

#include "monitors/SpeedTestResult.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QString>
#include <chrono>
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

// Measures the connection on demand with speedtest-cli (a test against the nearest Speedtest.net
// server) and keeps the ten newest results in the user defaults. Main thread only.
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
    // A bare name is looked up in PATH each time it is needed, so installing or removing the
    // tool shows without a restart; a name with a slash is used as it stands.
    static inline const QString defaultTool = QStringLiteral("speedtest-cli");
    static inline const QString launchFailedMessage = QStringLiteral("Couldn't start the test.");
    static inline const QString failedMessage =
        QStringLiteral("The test failed. Check your connection.");
    // A run killed at `timeLimit`.
    static inline const QString timedOutMessage =
        QStringLiteral("The test timed out. Check your connection.");
    static inline const QString noResultMessage = QStringLiteral("The test returned no result.");
    static constexpr std::size_t maxResults = 10;
    // How long a cancelled tool has to end on its own before it is killed.
    static constexpr std::chrono::milliseconds cancelGrace{3000};

    // A run still going after this long has stalled: it is killed and said to have timed
    // out. A whole test takes well under a minute on any connection that can finish one.
    std::chrono::milliseconds timeLimit{std::chrono::minutes(3)};

    // Starts idle with the results stored under `storageKey` (none when they do not decode).
    explicit SpeedTest(platform::UserDefaults defaults = platform::UserDefaults::standard(),
                       QString tool = defaultTool,
                       platform::Clock clock = platform::Clock::system());
    SpeedTest(const SpeedTest&) = delete;
    SpeedTest& operator=(const SpeedTest&) = delete;
    ~SpeedTest(); // a running tool is killed; nothing is reported

    // Runs the tool unless a test is running or the tool is not an executable file.
    void start();
    // Asks a running tool to end (and kills it if it has not after `cancelGrace`); the state
    // returns to idle once it has ended.
    void cancel();
    // The tool is an executable file (the speed-test card is offered only then).
    bool toolAvailable() const;
    // The tool's executable file, or nothing when there is none.
    std::optional<QString> toolPath() const;
    bool isRunning() const { return std::holds_alternative<Running>(state); }

    // The tool's JSON answer (`speedtest-cli --json`) as a result dated `now`; nothing unless
    // it is an object with "download" and "upload" as numbers (bits per second). "ping" (ms,
    // measured before the load) becomes the idle round-trip time and "bytes_received" plus
    // "bytes_sent" the data used. The tool measures no latency under load, so the result has
    // no responsiveness.
    static std::optional<SpeedTestResult> parse(const QByteArray& data, const QDateTime& now);

    // The tool's own reason for a failure from the end of its standard error: the last line
    // that holds anything, without the tool's "ERROR: " mark and the angle brackets it puts
    // around a network library's error, shortened to one readable line. Nothing when it said
    // nothing.
    static std::optional<QString> failureReason(const QByteArray& errors);
    // "The test failed: <reason>", or failedMessage without a reason.
    static QString failureMessage(const std::optional<QString>& reason);

    State state = Idle{};
    std::vector<SpeedTestResult> results; // newest first
    std::function<void()> onChange;

private:
    void finish(const QByteArray& data, int status, bool signalled, bool stalled,
                const QByteArray& errors);
    void changed();

    platform::UserDefaults defaults_;
    QString tool_;
    platform::Clock clock_;
    std::unique_ptr<platform::NetToolRun> process_;
    std::unique_ptr<QTimer> progressTimer_;
    std::unique_ptr<QTimer> killTimer_; // armed by cancel()
};

} // namespace morvanex
