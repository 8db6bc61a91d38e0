#include "ui/panels/overview/CombinedPanel.h"

#include "app/Hub.h"
#include "app/InsightEngine.h"
#include "platform/LocaleFacts.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/WrappingText.h"
#include "ui/panels/KeepAwakeCard.h"
#include "ui/panels/NextEventRow.h"
#include "ui/panels/overview/OverviewRows.h"
#include "ui/panels/overview/OverviewSummaries.h"
#include "ui/panels/overview/OverviewTiles.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QTimeZone>
#include <algorithm>

Q_LOGGING_CATEGORY(lcOverview, "morvanex.ui.overview")

namespace morvanex::ui {

using namespace overview;

namespace {

// The big tiles: their places in the grid and what each shows.
struct BigTilesModel {
    std::vector<std::vector<GridCell>> rows;
    std::vector<BigTileContent> tiles; // in the order of the cells
    bool operator==(const BigTilesModel&) const = default;
};

struct SmallTilesModel {
    std::vector<OverviewItem> items;
    std::vector<SmallTileContent> tiles;
    bool operator==(const SmallTilesModel&) const = default;
};

struct WeatherModel {
    WeatherRowState state;
    TempUnit unit = TempUnit::celsius;
    bool operator==(const WeatherModel&) const = default;
};

// The world clocks as drawn: the identifiers and the columns they give now.
struct ClocksModel {
    QStringList clocks;
    std::vector<WorldClockColumn> columns;
    bool operator==(const ClocksModel&) const = default;
};

struct NextEventModel {
    CalendarEvent event;
    QString when;
    bool join = false;
    bool operator==(const NextEventModel&) const = default;
};

// The device rows stand together as one view, each keeping its device's name.
QWidget* stacked(const std::vector<QWidget*>& views) {
    auto* view = new QWidget;
    auto* rows = new QVBoxLayout(view);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(CombinedPanel::spacing);
    for (QWidget* each : views)
        rows->addWidget(each);
    return view;
}

} // namespace

CombinedPanel::CombinedPanel(PanelEnv env, OverviewRowMakers makers, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), makers_(std::move(makers)), stack_(this, spacing) {
    // The rows of their own panels unless the caller brings others (tests, renders).
    if (!makers_.keepAwakeCard)
        makers_.keepAwakeCard = [](const PanelEnv& rowEnv) { return new KeepAwakeCard(rowEnv); };
    if (!makers_.nextEventRow)
        makers_.nextEventRow = [](const CalendarEvent& event, std::function<void()> open,
                                  const PanelEnv& rowEnv) {
            return new NextEventRow(rowEnv, event, std::move(open));
        };
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    if (!env_.hub || !env_.settings) {
        qCWarning(lcOverview) << "overview panel made without a hub or settings";
        return;
    }
    stack_.follow(*env_.hub, env_.settings, [this] { build(); });
}

Config CombinedPanel::shownConfig() const {
    if (!env_.settings)
        return {};
    return overview::shownConfig(env_.settings->config(), env_.previewOverrides);
}

std::function<void()> CombinedPanel::opener(OverviewItem item) const {
    const auto module = opensModule(item);
    if (!module)
        return nullptr;
    return [open = env_.openModule.action, kind = *module] {
        if (open)
            open(kind, std::nullopt);
    };
}

void CombinedPanel::rebuild() {
    if (env_.hub && env_.settings)
        stack_.rebuild([this] { build(); });
}

void CombinedPanel::build() {
    const Hub& hub = *env_.hub;
    const Config config = shownConfig();
    const Appearance appearance = env_.appearance;

    header_ = stack_.section(
        QStringLiteral("header"), QStringLiteral("Up ") + uptimeText(hub.cpu.uptime),
        [appearance](const QString& subtitle) {
            return new PanelHeader(QStringLiteral("morvanex.lamp"), Tint::indigo,
                                   QStringLiteral("Overview"), subtitle, nullptr, appearance);
        },
        [](PanelHeader* header, const QString& subtitle) {
            header->subtitleLine()->setFullText(subtitle);
            return true;
        });

    sections_ = overview::sections(config, OverviewFacts::from(hub));
    sectionViews_.clear();
    for (const Section& section : sections_) {
        QWidget* view = nullptr;
        const QString key = rawValue(section.id());
        switch (section.kind) {
        case SectionKind::bigTiles:
            view = bigTiles(key, section.items, config.bandwidthBits);
            break;
        case SectionKind::smallTiles:
            view = smallTiles(key, section.items, config.temperatureUnit);
            break;
        case SectionKind::row:
            view = row(key, section.id(), config);
            break;
        }
        if (!view)
            continue;
        view->setObjectName(key);
        sectionViews_.push_back(view);
    }

    emptyCard_ = nullptr;
    if (everythingHidden(config))
        emptyCard_ = stack_.section(QStringLiteral("empty"), 0, [appearance](int) {
            auto* card = new Card(7, appearance);
            card->add(wrappingText(
                QStringLiteral("Everything is hidden. Choose what to show in Settings › Overview."),
                12, Tint::secondaryText, appearance));
            return card;
        });
}

QWidget* CombinedPanel::bigTiles(const QString& key, const std::vector<OverviewItem>& items,
                                 bool bits) {
    BigTilesModel model{gridRows(items), {}};
    for (const auto& cells : model.rows)
        for (const GridCell& cell : cells)
            model.tiles.push_back(bigTile(cell.item, *env_.hub, bits));
    return stack_.section(
        key, model,
        [this](const BigTilesModel& m) {
            auto* grid = new QWidget;
            auto* layout = new QGridLayout(grid);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setHorizontalSpacing(spacing);
            layout->setVerticalSpacing(spacing);
            layout->setColumnStretch(0, 1);
            layout->setColumnStretch(1, 1);
            std::size_t next = 0;
            int rowIndex = 0;
            for (const auto& cells : m.rows) {
                int column = 0;
                for (const GridCell& cell : cells) {
                    auto* tile =
                        new OverviewTile(m.tiles[next++], opener(cell.item), env_.appearance);
                    tile->setObjectName(rawValue(cell.item));
                    layout->addWidget(tile, rowIndex, column, 1, cell.columnSpan);
                    column += cell.columnSpan;
                }
                ++rowIndex;
            }
            return grid;
        },
        [](QWidget* grid, const BigTilesModel& m) {
            // The same tiles in the same places take their new readings in place.
            std::vector<OverviewTile*> tiles;
            for (const auto& cells : m.rows)
                for (const GridCell& cell : cells)
                    tiles.push_back(grid->findChild<OverviewTile*>(rawValue(cell.item)));
            for (std::size_t i = 0; i < tiles.size(); ++i)
                if (!tiles[i] || tiles[i]->content().label != m.tiles[i].label ||
                    tiles[i]->content().color != m.tiles[i].color)
                    return false;
            if (grid->findChildren<OverviewTile*>().size() != qsizetype(tiles.size()))
                return false;
            for (std::size_t i = 0; i < tiles.size(); ++i)
                tiles[i]->setContent(m.tiles[i]);
            return true;
        });
}

QWidget* CombinedPanel::smallTiles(const QString& key, const std::vector<OverviewItem>& items,
                                   TempUnit unit) {
    SmallTilesModel model{items, {}};
    for (const OverviewItem item : items)
        model.tiles.push_back(smallTile(item, *env_.hub, unit));
    return stack_.section(
        key, model,
        [this](const SmallTilesModel& m) {
            auto* strip = new QWidget;
            auto* layout = new QHBoxLayout(strip);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(spacing);
            for (std::size_t i = 0; i < m.items.size(); ++i) {
                auto* tile = new SmallTile(m.tiles[i], opener(m.items[i]), env_.appearance);
                tile->setObjectName(rawValue(m.items[i]));
                layout->addWidget(tile, 1);
            }
            strip->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            return strip;
        },
        [](QWidget* strip, const SmallTilesModel& m) {
            std::vector<SmallTile*> tiles;
            for (const OverviewItem item : m.items)
                tiles.push_back(strip->findChild<SmallTile*>(rawValue(item)));
            if (strip->findChildren<SmallTile*>().size() != qsizetype(tiles.size()) ||
                std::find(tiles.begin(), tiles.end(), nullptr) != tiles.end())
                return false;
            bool inPlace = true;
            for (std::size_t i = 0; i < tiles.size() && inPlace; ++i)
                inPlace = std::holds_alternative<QString>(m.tiles[i].detail) ==
                          (tiles[i]->detailLine() != nullptr);
            if (!inPlace)
                return false;
            for (std::size_t i = 0; i < tiles.size(); ++i)
                tiles[i]->setContent(m.tiles[i]);
            return true;
        });
}

QWidget* CombinedPanel::row(const QString& key, OverviewItem item, const Config& config) {
    Hub& hub = *env_.hub;
    const Appearance appearance = env_.appearance;
    const TempUnit unit = config.temperatureUnit;
    switch (item) {
    case OverviewItem::insight:
        return stack_.section(key, hub.insights().current, [this](const Insight& insight) {
            auto open = [open = env_.openModule.action, insight] {
                if (open && insight.module)
                    open(*insight.module, insight.pid);
            };
            return new InsightRow(insight, open, env_.appearance);
        });
    case OverviewItem::devices:
        return stack_.section(key, hub.devices.devices(),
                              [this](const std::vector<ConnectedDevice>& devices) -> QWidget* {
                                  if (devices.empty())
                                      return nullptr;
                                  std::vector<QWidget*> rows;
                                  for (const ConnectedDevice& device : devices) {
                                      auto* view =
                                          new DeviceRow(device, env_.openDevice, env_.appearance);
                                      view->setObjectName(device.id);
                                      rows.push_back(view);
                                  }
                                  return stacked(rows);
                              });
    case OverviewItem::keepAwake:
        // Made once: the card follows the keep-awake state by itself.
        return stack_.section(key, 0, [this](int) -> QWidget* {
            return makers_.keepAwakeCard ? makers_.keepAwakeCard(env_) : nullptr;
        });
    case OverviewItem::weather:
        return stack_.section(key, WeatherModel{WeatherRowState::from(hub), unit},
                              [this, item, appearance](const WeatherModel& m) {
                                  return new WeatherRow(m.state, m.unit, opener(item), appearance);
                              });
    case OverviewItem::worldClocks: {
        const QDateTime now = hub.clock.now();
        return stack_.section(
            key, ClocksModel{config.worldClocks, worldClockColumns(config.worldClocks, now)},
            [this, item, appearance, now](const ClocksModel& m) {
                return new WorldClocksRow(m.clocks, now, opener(item), appearance);
            });
    }
    case OverviewItem::nextEvent: {
        const auto event = hub.calendar.next();
        if (!event || !makers_.nextEventRow)
            return nullptr;
        const QDateTime now = hub.clock.now();
        const NextEventModel model{*event,
                                   NextEventRow::when(*event, now, QTimeZone::systemTimeZone(),
                                                      platform::LocaleFacts::userLocale()),
                                   NextEventRow::showsJoin(*event, now)};
        return stack_.section(
            key, model,
            [this, item](const NextEventModel& m) {
                return makers_.nextEventRow(m.event, opener(item), env_);
            },
            [](QWidget* view, const NextEventModel& m) {
                auto* shown = qobject_cast<NextEventRow*>(view);
                if (!shown || shown->event() != m.event || (shown->joinPill() != nullptr) != m.join)
                    return false;
                shown->whenLine()->setFullText(m.when);
                return true;
            });
    }
    default:
        return nullptr;
    }
}

} // namespace morvanex::ui
