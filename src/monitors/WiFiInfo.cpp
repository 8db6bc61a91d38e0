#include "monitors/WiFiInfo.h"

#include <limits>

namespace morvanex::wifitext {

namespace {
const QString dash = QStringLiteral("\u2014");
} // namespace

std::optional<QString> band(std::int64_t raw) {
    switch (raw) {
    case 1:
        return QStringLiteral("2.4 GHz");
    case 2:
        return QStringLiteral("5 GHz");
    case 3:
        return QStringLiteral("6 GHz");
    default:
        return std::nullopt;
    }
}

std::optional<QString> width(std::int64_t raw) {
    switch (raw) {
    case 1:
        return QStringLiteral("20 MHz");
    case 2:
        return QStringLiteral("40 MHz");
    case 3:
        return QStringLiteral("80 MHz");
    case 4:
        return QStringLiteral("160 MHz");
    default:
        return std::nullopt;
    }
}

QString phyMode(std::int64_t raw) {
    switch (raw) {
    case 0:
        return dash;
    case 1:
        return QStringLiteral("802.11a");
    case 2:
        return QStringLiteral("802.11b");
    case 3:
        return QStringLiteral("802.11g");
    case 4:
        return QStringLiteral("802.11n (Wi-Fi 4)");
    case 5:
        return QStringLiteral("802.11ac (Wi-Fi 5)");
    case 6:
        return QStringLiteral("802.11ax (Wi-Fi 6)");
    default:
        return QStringLiteral("802.11be (Wi-Fi 7)");
    }
}

QString security(std::int64_t raw) {
    if (raw == std::numeric_limits<std::int64_t>::max())
        return dash;
    switch (raw) {
    case 0:
        return QStringLiteral("None");
    case 1:
    case 6:
        return QStringLiteral("WEP");
    case 2:
    case 3:
        return QStringLiteral("WPA Personal");
    case 4:
        return QStringLiteral("WPA2 Personal");
    case 5:
        return QStringLiteral("Personal");
    case 7:
    case 8:
    case 9:
    case 10:
    case 12:
        return QStringLiteral("Enterprise");
    case 11:
        return QStringLiteral("WPA3 Personal");
    case 13:
        return QStringLiteral("WPA2/WPA3 Personal");
    case 14:
    case 15:
        return QStringLiteral("Enhanced Open");
    default:
        return QStringLiteral("Secured");
    }
}

} // namespace morvanex::wifitext
