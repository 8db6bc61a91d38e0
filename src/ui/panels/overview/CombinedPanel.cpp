#include "ui/panels/overview/CombinedPanel.h"

#include "app/Hub.h"
#include "app/InsightEngine.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/PanelHeader.h"
#include "ui/panels/KeepAwakeCard.h"
#include "ui/panels/NextEventRow.h"
#include "ui/panels/overview/OverviewRows.h"
#include "ui/panels/overview/OverviewSummaries.h"
#include "ui/panels/overview/OverviewTiles.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOverview, "morvanex.ui.overview")

namespace morvanex::ui {

using namespace overview;

CombinedPanel::CombinedPanel(PanelEnv env, OverviewRowMakers makers, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), makers_(std::move(makers)) {
    // The rows of their own panels unless the caller brings others (tests, renders).
    if (!makers_.keepAwakeCard)
        makers_.keepAwakeCard = [](const PanelEnv& rowEnv) { return new KeepAwakeCard(rowEnv); };
    if (!makers_.nextEventRow)
        makers_.nextEventRow = [](const CalendarEvent& event, std::function<void()> open,
                                  const PanelEnv& rowEnv) {
            return new NextEventRow(rowEnv, event, std::move(open));
        };
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    if (!env_.hub || !env_.settings) {
        qCWarning(lcOverview) << "overview panel made without a hub or settings";
        return;
    }
    connect(env_.hub, &Hub::changed, this, &CombinedPanel::rebuild);
    env_.settings->addObserver(this, [this](const Config&, const Config&) { rebuild(); });
    rebuild();
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
    if (!env_.hub || !env_.settings)
        return;
    const Hub& hub = *env_.hub;
    const Config config = shownConfig();
    const Appearance appearance = env_.appearance;

    // The old views may be running the tap that led here; they go once it has returned.
    if (content_) {
        content_->hide();
        content_->deleteLater();
    }
    content_ = new QWidget(this);
    auto* stack = new QVBoxLayout(content_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(spacing);
    column_->addWidget(content_);

    header_ =
        new PanelHeader(QStringLiteral("morvanex.lamp"), Tint::indigo, QStringLiteral("Overview"),
                        QStringLiteral("Up ") + uptimeText(hub.cpu.uptime), nullptr, appearance);
    stack->addWidget(header_);

    sections_ = overview::sections(config, OverviewFacts::from(hub));
    sectionViews_.clear();
    for (const Section& section : sections_) {
        std::vector<QWidget*> views;
        switch (section.kind) {
        case SectionKind::bigTiles:
            views = {bigTiles(section.items, config.bandwidthBits)};
            break;
        case SectionKind::smallTiles:
            views = {smallTiles(section.items, config.temperatureUnit)};
            break;
        case SectionKind::row:
            views = row(section.id(), config, config.temperatureUnit);
            break;
        }
        // The device rows stand together as one view, each keeping its device's name.
        QWidget* view = nullptr;
        if (views.size() == 1 && section.id() != OverviewItem::devices) {
            view = views.front();
        } else if (!views.empty()) {
            view = new QWidget;
            auto* rows = new QVBoxLayout(view);
            rows->setContentsMargins(0, 0, 0, 0);
            rows->setSpacing(spacing);
            for (QWidget* each : views)
                rows->addWidget(each);
        }
        if (!view)
            continue;
        view->setObjectName(rawValue(section.id()));
        stack->addWidget(view);
        sectionViews_.push_back(view);
    }

    emptyCard_ = nullptr;
    if (everythingHidden(config)) {
        auto* card = new Card(7, appearance);
        auto* message = new QLabel(
            QStringLiteral("Everything is hidden. Choose what to show in Settings › Overview."));
        message->setWordWrap(true);
        message->setFont(Fonts::font(12));
        QPalette palette = message->palette();
        palette.setColor(QPalette::WindowText, color(Tint::secondaryText, appearance));
        message->setPalette(palette);
        card->add(message);
        stack->addWidget(card);
        emptyCard_ = card;
    }
    stack->addStretch(1);
}

QWidget* CombinedPanel::bigTiles(const std::vector<OverviewItem>& items, bool bits) {
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(spacing);
    layout->setVerticalSpacing(spacing);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    int rowIndex = 0;
    for (const auto& cells : gridRows(items)) {
        int column = 0;
        for (const GridCell& cell : cells) {
            auto* tile = new OverviewTile(bigTile(cell.item, *env_.hub, bits), opener(cell.item),
                                          env_.appearance);
            tile->setObjectName(rawValue(cell.item));
            layout->addWidget(tile, rowIndex, column, 1, cell.columnSpan);
            column += cell.columnSpan;
        }
        ++rowIndex;
    }
    return grid;
}

QWidget* CombinedPanel::smallTiles(const std::vector<OverviewItem>& items, TempUnit unit) {
    auto* strip = new QWidget;
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (const OverviewItem item : items) {
        auto* tile = new SmallTile(smallTile(item, *env_.hub, unit), opener(item), env_.appearance);
        tile->setObjectName(rawValue(item));
        layout->addWidget(tile, 1);
    }
    strip->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return strip;
}

std::vector<QWidget*> CombinedPanel::row(OverviewItem item, const Config& config, TempUnit unit) {
    Hub& hub = *env_.hub;
    const Appearance appearance = env_.appearance;
    switch (item) {
    case OverviewItem::insight: {
        const Insight insight = hub.insights().current;
        auto open = [open = env_.openModule.action, insight] {
            if (open && insight.module)
                open(*insight.module, insight.pid);
        };
        return {new InsightRow(insight, open, appearance)};
    }
    case OverviewItem::devices: {
        std::vector<QWidget*> rows;
        for (const ConnectedDevice& device : hub.devices.devices()) {
            auto* view = new DeviceRow(device, env_.openDevice, appearance);
            view->setObjectName(device.id);
            rows.push_back(view);
        }
        return rows;
    }
    case OverviewItem::keepAwake:
        if (makers_.keepAwakeCard)
            if (QWidget* card = makers_.keepAwakeCard(env_))
                return {card};
        return {};
    case OverviewItem::weather:
        return {new WeatherRow(WeatherRowState::from(hub), unit, opener(item), appearance)};
    case OverviewItem::worldClocks:
        return {new WorldClocksRow(config.worldClocks, hub.clock.now(), opener(item), appearance)};
    case OverviewItem::nextEvent: {
        const auto event = hub.calendar.next();
        if (event && makers_.nextEventRow)
            if (QWidget* view = makers_.nextEventRow(*event, opener(item), env_))
                return {view};
        return {};
    }
    default:
        return {};
    }
}

} // namespace morvanex::ui
