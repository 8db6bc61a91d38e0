#pragma once

#include "platform/linux/EchoSocket.h"
#include "platform/linux/NetToolRun.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
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

// Opens an ICMP echo socket of an address family, or gives -1 (errno set) where the system
// refuses one; openEchoSocket by default.
using EchoSocketOpener = std::function<int(int family)>;

struct PingOptions {
    // The tool, run only where echo sockets are refused.
    QString program = pingProgram;
    // The whole ping, name lookup included, ends by then (a tool still running is killed).
    std::chrono::milliseconds bound = std::chrono::seconds(10);
    // Empty: always the tool.
    EchoSocketOpener socket = openEchoSocket;
    // How long a reply is waited for once the request is sent, as the tool's "-W 3".
    std::chrono::milliseconds replyWait = std::chrono::seconds(3);
};

// Runs one ping at a time from the event loop of the main thread, which it never blocks. A
// host name is looked up on Qt's lookup threads, then one echo request goes out through an
// unprivileged ICMP echo socket watched by the event loop. Where the system refuses such
// sockets (net.ipv4.ping_group_range excludes this process's group), the ping tool runs as a
// child process instead, in the C locale so its decimal point is always ".". Either way a host
// isPingableHost refuses is never pinged, and a ping that outlives its bound gives no time.
class PingRunner {
public:
    explicit PingRunner(PingOptions options = {});
    PingRunner(const PingRunner&) = delete;
    PingRunner& operator=(const PingRunner&) = delete;
    ~PingRunner();

    // Starts a ping of `host`; `done` runs later from the event loop with the time in
    // milliseconds, or nothing for any failure (refused host, unknown name, no route, tool
    // missing, no reply in time). False, and `done` is never called, while a ping is still
    // running.
    bool start(const QString& host, std::function<void(std::optional<double>)> done);

    bool running() const { return flight_ != nullptr; }

private:
    struct Flight;
    void pingAddresses(const QString& host, const QList<QHostAddress>& addresses);
    void runTool(const QString& host);
    void finish(std::optional<double> result);

    PingOptions options_;
    std::uint16_t sequence_ = 0;
    bool toldRefusal_ = false;
    std::unique_ptr<Flight> flight_;
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

} // namespace morvanex::platform
