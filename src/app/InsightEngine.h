#pragma once

#include "base/SettingsEnums.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace morvanex {

class Hub;

// One plain-language line about what, if anything, loads the machine.
struct Insight {
    enum class Kind { memory, cpu, disk, network, battery, storage, quiet };
    enum class Severity { info, warning, critical };

    Kind kind = Kind::quiet;
    QString text = QStringLiteral("All quiet.");
    Severity severity = Severity::info;
    std::optional<ModuleKind> module;
    std::optional<std::int32_t> pid;

    bool operator==(const Insight&) const = default;

    // The line while the engine has not yet watched long enough to tell a quiet machine from
    // one whose load has not lasted yet: it names no cause and claims no quiet.
    static Insight watching();
};

template <> struct EnumCases<Insight::Kind> {
    static constexpr std::array cases{
        std::pair{Insight::Kind::memory, std::string_view("memory")},
        std::pair{Insight::Kind::cpu, std::string_view("cpu")},
        std::pair{Insight::Kind::disk, std::string_view("disk")},
        std::pair{Insight::Kind::network, std::string_view("network")},
        std::pair{Insight::Kind::battery, std::string_view("battery")},
        std::pair{Insight::Kind::storage, std::string_view("storage")},
        std::pair{Insight::Kind::quiet, std::string_view("quiet")}};
};

// A condition counted only once it has held for a while, forgiving up to three false samples.
struct Sustained {
    std::optional<QDateTime> since;
    std::int64_t misses = 0;

    void update(bool holds, const QDateTime& now);
    bool heldFor(double seconds, const QDateTime& now) const;
    bool operator==(const Sustained&) const = default;
};

// Watches the monitors through the hub, picks the most important sustained condition and,
// when the user asked for it, notifies when the kind of line changes.
class InsightEngine {
public:
    using Post = std::function<void(const QString& title, const QString& body)>;

    // Posts through the shared notifier unless `post` is given.
    explicit InsightEngine(Hub& hub, Post post = {});

    void evaluate(const QDateTime& now);

    // "1 min", "1 h 5 min", "2 h".
    static QString minutes(double seconds);

    Insight current = Insight::watching();
    // When the engine first evaluated: no line may claim quiet before it has watched as long as
    // the slowest condition must hold.
    std::optional<QDateTime> watchingSince;
    Sustained memoryPressure;
    Sustained cpuTotal;
    std::map<std::int32_t, Sustained> processCPU;
    Sustained diskBusy;
    Sustained networkBusy;
    Sustained batteryDrain;
    std::map<Insight::Kind, QDateTime> lastNotified;

private:
    void update(const QDateTime& now);
    std::optional<Insight> pick(const QDateTime& now) const;
    void notify(const Insight& insight, const QDateTime& now);
    std::optional<double> fanLoad() const;

    Hub& hub_;
    Post post_;
};

} // namespace morvanex
