#pragma once

#include "platform/linux/NetToolRun.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace morvanex::platform {

inline const QString pingProgram = QStringLiteral("/usr/bin/ping");

// The longest name a host can have (and an address is shorter still).
inline constexpr qsizetype maxHostLength = 253;

// A host the ping tool may be given: not empty, at most maxHostLength characters, not starting
// with "-" (it would be read as an option) and free of white space and control characters.
bool isPingableHost(const QString& host);

// One echo request, waiting at most 3 seconds for the reply; "--" ends the options.
QStringList pingArguments(const QString& host);

// The round-trip time in milliseconds from the tool's output: the decimal number right after
// the first "time=". Nothing when the output is not UTF-8, has no "time=", or the characters
// after it (digits and points) do not form a number.
std::optional<double> parsePingTime(const QByteArray& output);

// Runs one ping at a time as a child process, from the event loop of the main thread. A ping
// that outlives its bound is killed and gives no time. The tool runs in the C locale so its
// decimal point is always ".".
class PingRunner {
public:
    explicit PingRunner(QString program = pingProgram,
                        std::chrono::milliseconds bound = std::chrono::seconds(10));
    PingRunner(const PingRunner&) = delete;
    PingRunner& operator=(const PingRunner&) = delete;
    ~PingRunner();

    // Starts a ping of `host`; `done` runs later from the event loop with the time in
    // milliseconds, or nothing for any failure (refused host, tool missing, no reply, killed).
    // False, and `done` is never called, while a ping is still running.
    bool start(const QString& host, std::function<void(std::optional<double>)> done);

    bool running() const { return run_ != nullptr; }

private:
    QString program_;
    std::chrono::milliseconds bound_;
    std::unique_ptr<NetToolRun> run_;
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

} // namespace morvanex::platform
