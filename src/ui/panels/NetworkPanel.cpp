#include "ui/panels/NetworkPanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/Legend.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/LocationPermission.h"
#include "ui/panels/SpeedTestCard.h"

#include <QBoxLayout>

namespace morvanex::ui {

PanelDefaults& NetworkPanel::defaultPanelDefaults() {
    return PanelDefaults::shared();
}

LocationPermission& NetworkPanel::defaultLocation() {
    return LocationPermission::shared();
}

NetworkPanel::NetworkPanel(const PanelEnv& env, PanelDefaults& defaults,
                           LocationPermission& location, QWidget* parent)
    : QWidget(parent), env_(env), defaults_(defaults), location_(location) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(sectionSpacing);
    header_ = new PanelSection;
    internet_ = new PanelSection;
    speedTestSlot_ = new PanelSection;
    wifi_ = new PanelSection;
    interfaces_ = new PanelSection;
    column->addWidget(header_);
    column->addWidget(buildGraphCard());
    column->addWidget(internet_);
    column->addWidget(speedTestSlot_);
    column->addWidget(wifi_);
    column->addWidget(interfaces_);
    refresh();

    connect(env_.hub, &Hub::changed, this, [this] { refresh(); });
    connect(&location_, &LocationPermission::statusChanged, this, [this] { refresh(); });
    env_.settings->addObserver(this, [this](const Config& old, const Config& now) {
        if (old.bandwidthBits != now.bandwidthBits)
            refresh();
    });
}

QWidget* NetworkPanel::buildGraphCard() {
    const Appearance appearance = env_.appearance;
    AppSettings* settings = env_.settings;
    auto* card = new Card(7, appearance);
    Hub& hub = *env_.hub;
    graph_ = new HistoryGraph(
        env_,
        {StoredLine{HistoryMetric::download, QStringLiteral("Down"), Tint::blue, 0.15, true},
         StoredLine{HistoryMetric::upload, QStringLiteral("Up"), Tint::orange, 0.15, true}},
        std::nullopt, false, 72,
        [settings](double value) { return Fmt::rate(value, settings->config().bandwidthBits); },
        [&hub, appearance](QWidget* parent) -> QWidget* {
            return liveMirroredGraph(
                hub,
                [](const Hub& h) {
                    return MirroredGraph{h.network.uploadHistory.values,
                                         h.network.downloadHistory.values,
                                         72,
                                         120,
                                         Tint::orange,
                                         Tint::blue};
                },
                appearance, parent);
        },
        defaults_);
    card->add(graph_);

    auto* under = new QWidget;
    auto* row = new QHBoxLayout(under);
    row->setContentsMargins(0, 0, 0, 0);
    auto* legend = new Legend({{QStringLiteral("Download"), std::nullopt, Tint::blue},
                               {QStringLiteral("Upload"), std::nullopt, Tint::orange}},
                              10, appearance);
    legend->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    row->addWidget(legend, 0, Qt::AlignVCenter);
    addFlexibleSpace(row, 6);
    session_ = new TextLine(QString(), Fonts::font(11), color(Tint::secondaryText, appearance));
    row->addWidget(session_, 0, Qt::AlignVCenter);
    card->add(under);
    return card;
}

void NetworkPanel::refresh() {
    const NetworkMonitor& monitor = env_.hub->network;
    const bool bits = env_.settings->config().bandwidthBits;
    const Appearance appearance = env_.appearance;

    if (const auto model = network::headerModel(monitor, bits); lastHeader_.changed(model))
        header_->setContent(network::buildHeader(model, appearance));

    session_->setFullText(network::sessionText(monitor.sessionDown, monitor.sessionUp));
    session_->setMinimumWidth(session_->sizeHint().width());

    if (const auto model = network::internetModel(monitor); lastInternet_.changed(model))
        internet_->setContent(network::buildInternetCard(model, appearance));

    // Asked at every build, so the card comes and goes with the tool.
    const bool speedTool =
        env_.previewOverrides.speedTestCard || env_.hub->speedTest.toolAvailable();
    if (speedTool && !speedTest_) {
        speedTest_ = new SpeedTestCard(
            env_, BoolBinding::stored(defaults_, PanelKeys::speedHistoryExpanded, false));
        speedTestSlot_->setContent(speedTest_);
    } else if (!speedTool && speedTest_) {
        speedTest_ = nullptr;
        speedTestSlot_->setContent(nullptr);
    }

    std::optional<network::WiFiModel> wifi;
    if (monitor.wifi)
        wifi = network::WiFiModel{*monitor.wifi, location_.status()};
    if (lastWiFi_.changed(wifi)) {
        LocationPermission* location = &location_;
        wifi_->setContent(wifi ? network::buildWiFiCard(
                                     *wifi, [location] { location->request(); }, appearance)
                               : nullptr);
    }

    const network::InterfacesModel interfaces{monitor.interfaces, monitor.primaryInterface, bits};
    if (lastInterfaces_.changed(interfaces))
        interfaces_->setContent(network::buildInterfaces(
            interfaces, BoolBinding::stored(defaults_, PanelKeys::interfacesExpanded, false),
            env_.previewOverrides, appearance));
}

} // namespace morvanex::ui
