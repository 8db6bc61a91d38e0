#pragma once

#include "base/SettingsEnums.h"

#include <QDateTime>
#include <QString>
#include <QUuid>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace morvanex {

class Hub;

// Evaluates the user's threshold rules once per tick and posts one notification per rule when
// its condition has held long enough, then stays silent until the condition stops holding;
// then tells about events (charger, charged, Wi-Fi, public address, internet, interface).
class RuleEngine {
public:
    using Post = std::function<void(const QString& title, const QString& body)>;

    // The machine's state that events are found in, compared tick to tick.
    struct EventState {
        bool onAC = false;
        bool charged = false;
        bool batteryPresent = false;
        std::optional<QString> ssid;
        bool wifiAssociated = false;
        std::optional<QString> publicIP;
        std::optional<bool> internet;
        std::optional<QString> primaryInterface;
        bool operator==(const EventState&) const = default;
    };

    // Posts through the shared notifier unless `post` is given.
    explicit RuleEngine(Hub& hub, Post post = {});

    // The current value of a metric in the unit its threshold is compared in.
    std::optional<double> value(RuleMetric metric) const;
    void evaluate();

    // The number text of notifications: whole numbers without decimals, else one decimal.
    static QString format(double value);
    // A metric's unit, in notifications and beside a rule's threshold: a fixed label that never
    // converts the stored value.
    static QString unit(RuleMetric metric);

    std::map<QUuid, QDateTime> conditionSince;
    std::set<QUuid> fired;
    std::optional<EventState> previous;
    QDateTime startedAt;

private:
    void evaluateEvents();
    EventState currentState() const;

    Hub& hub_;
    Post post_;
};

} // namespace morvanex
