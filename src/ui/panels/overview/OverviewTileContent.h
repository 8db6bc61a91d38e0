#pragma once

#include "base/SettingsEnums.h"
#include "monitors/DiskMonitor.h"
#include "ui/kit/Palette.h"
#include "ui/kit/UsageBars.h"

#include <QString>
#include <optional>
#include <variant>
#include <vector>

namespace morvanex {
class Hub;
}

// What each overview tile shows, read from the hub: plain values the tile widgets draw.
namespace morvanex::ui::overview {

// A large number with an optional smaller unit right after it on the same baseline.
struct HeroTextContent {
    QString value;
    std::optional<QString> unit; // brings its own leading blank where it wants one
    double size = 22;
    bool operator==(const HeroTextContent&) const = default;
};

struct BigTileContent {
    QString label;
    Tint color = Tint::accent;
    HeroTextContent value;
    std::vector<double> history; // oldest first
    std::optional<double> maxValue;
    bool operator==(const BigTileContent&) const = default;
};

struct SmallTileContent {
    QString label;
    QString value;
    std::variant<QString, UsageBar> detail; // a one-line grey text or a thin bar
    bool operator==(const SmallTileContent&) const = default;
};

// A reading as a whole number, halves away from zero; "—" when it has none.
QString wholeText(double value);

// The network tile's number and unit from a rate text such as "1.2 MB/s": "1.2" and
// " MB/s ↓".
HeroTextContent networkHero(const QString& rateText);

// Used share of the startup volume in per cent, counting the space free for important use;
// 0 without a volume or with no capacity.
double diskUsedPercent(const std::optional<DiskMonitor::Volume>& volume);

// Red above 90 per cent used, blue otherwise.
Tint diskBarTint(double usedPercent);

// The tiles of `cpu`, `gpu`, `memory` and `network` (another item gives an empty tile).
BigTileContent bigTile(OverviewItem item, const Hub& hub, bool bits);

// The tiles of `disk`, `sensors` and `battery` (another item gives an empty tile).
SmallTileContent smallTile(OverviewItem item, const Hub& hub, TempUnit unit);

} // namespace morvanex::ui::overview
