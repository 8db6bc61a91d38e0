#include "ui/panels/NetworkSections.h"

#include "base/Fmt.h"
#include "monitors/NetworkMonitor.h"
#include "ui/kit/Card.h"
#include "ui/kit/CopyButton.h"
#include "ui/kit/DisclosureRow.h"
#include "ui/kit/Dot.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/Pill.h"
#include "ui/kit/SignalBars.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/panels/RateLabel.h"

#include <QBoxLayout>
#include <QMouseEvent>

namespace morvanex::ui::network {

namespace {

// A row of views side by side, centred vertically, `spacing` apart.
QWidget* hstack(std::initializer_list<QWidget*> views, int spacing) {
    auto* holder = new QWidget;
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    for (QWidget* view : views)
        row->addWidget(view, 0, Qt::AlignVCenter);
    return holder;
}

// A tinted text that acts on a click, like a link.
class ActionText : public TextLine {
public:
    ActionText(const QString& text, const QColor& tone, std::function<void()> action)
        : TextLine(text, Fonts::font(13, QFont::Medium), tone), action_(std::move(action)) {
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(text);
        setAccessibleDescription(QStringLiteral("button"));
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            action_)
            action_();
    }

private:
    std::function<void()> action_;
};

QWidget* networkNameValue(const WiFiModel& model, const std::function<void()>& askLocation,
                          Appearance appearance) {
    switch (networkNameKind(model.wifi.ssid, model.location)) {
    case NetworkNameKind::name:
        return hstack(
            {new SymbolIcon(QStringLiteral("wifi"), 11, color(Tint::primaryText, appearance)),
             new StatValue(*model.wifi.ssid, appearance)},
            5);
    case NetworkNameKind::allowLocation:
        return new ActionText(allowLocationText, color(Tint::accent, appearance), askLocation);
    case NetworkNameKind::hidden:
        break;
    }
    return new TextLine(hiddenNameText, Fonts::font(13, QFont::Medium),
                        color(Tint::tertiaryText, appearance));
}

QWidget* interfaceBlock(const InterfaceInfo& info, bool primary, bool bits, Appearance appearance) {
    auto* block = new QWidget;
    block->setObjectName(info.bsdName);
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 2, 0, 0);
    column->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    // When the line is too narrow, the kernel name gives way first: the shown name and the
    // rates keep their whole text.
    auto* shown = new TextLine(info.displayName, Fonts::font(13, QFont::Medium),
                               color(Tint::primaryText, appearance));
    shown->setMinimumWidth(shown->sizeHint().width());
    top->addWidget(shown, 0, Qt::AlignVCenter);
    auto* name = new TextLine(info.bsdName, Fonts::font(11), color(Tint::tertiaryText, appearance));
    top->addWidget(name, 0, Qt::AlignVCenter);
    if (primary)
        top->addWidget(new Pill(QStringLiteral("Primary"), Tint::accent, appearance), 0,
                       Qt::AlignVCenter);
    addFlexibleSpace(top, 4);
    auto* rates = new TextLine(rateLine(info.download, info.upload, bits), Fonts::font(11),
                               color(Tint::secondaryText, appearance));
    rates->setMinimumWidth(rates->sizeHint().width());
    top->addWidget(rates, 0, Qt::AlignVCenter);
    column->addLayout(top);

    for (const QString& address : info.ipv4)
        column->addWidget(new StatRow(QStringLiteral("IPv4"), std::nullopt,
                                      new StatValue(address, appearance), appearance));
    for (const QString& address : shownIPv6(info))
        column->addWidget(new StatRow(QStringLiteral("IPv6"), std::nullopt,
                                      new StatValue(address, appearance), appearance));
    if (info.mac)
        column->addWidget(new StatRow(QStringLiteral("MAC"), std::nullopt,
                                      new StatValue(*info.mac, appearance), appearance));
    return block;
}

} // namespace

HeaderModel headerModel(const NetworkMonitor& monitor, bool bits) {
    return {subtitle(monitor.interfaces, monitor.primaryInterface, monitor.internetReachable),
            Fmt::rate(monitor.download, bits), Fmt::rate(monitor.upload, bits)};
}

QWidget* buildHeader(const HeaderModel& model, Appearance appearance) {
    auto* rates = new QWidget;
    auto* column = new QVBoxLayout(rates);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new RateLabel(QStringLiteral("↓"), Tint::blue, model.download, appearance));
    column->addWidget(new RateLabel(QStringLiteral("↑"), Tint::orange, model.upload, appearance));
    return new PanelHeader(QStringLiteral("network"), Tint::teal, QStringLiteral("Network"),
                           model.subtitle, rates, appearance);
}

InternetModel internetModel(const NetworkMonitor& monitor) {
    return {status(monitor.internetReachable), monitor.publicIP, pingLabel(monitor.pingHost),
            pingText(monitor.pingMs),          monitor.router,   dnsText(monitor.dns),
            vpnText(monitor.vpnInterfaces)};
}

QWidget* buildInternetCard(const InternetModel& model, Appearance appearance) {
    auto* card = new Card(7, appearance);
    card->add(new CardHeader(QStringLiteral("Internet"), std::nullopt, nullptr, appearance));
    card->add(new StatRow(QStringLiteral("Status"), std::nullopt,
                          hstack({new Dot(model.status.dot, 7, appearance),
                                  new StatValue(model.status.text, appearance)},
                                 6),
                          appearance));

    QWidget* address = nullptr;
    if (model.publicIP)
        address =
            hstack({new StatValue(*model.publicIP, appearance),
                    new CopyButton(*model.publicIP, QStringLiteral("Copy public IP"), appearance)},
                   4);
    else
        address = new StatValue(QStringLiteral("—"), appearance);
    card->add(new StatRow(QStringLiteral("Public IP"), std::nullopt, address, appearance));

    card->add(new StatRow(model.pingLabel, std::nullopt, new StatValue(model.pingText, appearance),
                          appearance));
    if (model.router)
        card->add(new StatRow(QStringLiteral("Router"), std::nullopt,
                              new StatValue(*model.router, appearance), appearance));
    if (model.dns)
        card->add(new StatRow(QStringLiteral("DNS"), std::nullopt,
                              new StatValue(*model.dns, appearance), appearance));
    if (model.vpn)
        card->add(new StatRow(
            QStringLiteral("VPN"), std::nullopt,
            hstack({new Dot(Tint::green, 7, appearance), new StatValue(*model.vpn, appearance)}, 6),
            appearance));
    return card;
}

QWidget* buildWiFiCard(const WiFiModel& model, const std::function<void()>& askLocation,
                       Appearance appearance) {
    const WiFiInfo& wifi = model.wifi;
    auto* card = new Card(7, appearance);
    card->add(new CardHeader(QStringLiteral("Wi-Fi"), wifi.interfaceName, nullptr, appearance));
    if (wifi.rssi == 0) {
        card->add(new TextLine(QStringLiteral("Not connected"), Fonts::font(13),
                               color(Tint::secondaryText, appearance)));
        return card;
    }
    const auto row = [&](const QString& label, QWidget* value) {
        card->add(new StatRow(label, std::nullopt, value, appearance));
    };
    row(QStringLiteral("Network"), networkNameValue(model, askLocation, appearance));
    row(QStringLiteral("Signal"),
        hstack({new SignalBarsView(SignalBars{wifi.rssi}, appearance),
                new StatValue(signalText(wifi.rssi, wifi.noise), appearance)},
               6));
    if (wifi.noise != 0) // unknown: no row rather than a meaningless "0 dBm"
        row(QStringLiteral("Noise"), new StatValue(noiseText(wifi.noise), appearance));
    row(QStringLiteral("Channel"), new StatValue(channelText(wifi), appearance));
    row(QStringLiteral("Tx rate"), new StatValue(transmitRateText(wifi.transmitRate), appearance));
    row(QStringLiteral("Standard"), new StatValue(wifi.phyMode, appearance));
    row(QStringLiteral("Security"), new StatValue(wifi.security, appearance));
    if (wifi.bssid)
        row(QStringLiteral("BSSID"), new StatValue(*wifi.bssid, appearance));
    return card;
}

QWidget* buildInterfaces(const InterfacesModel& model, BoolBinding expanded,
                         const PreviewOverrides& overrides, Appearance appearance) {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    for (const InterfaceInfo& info : model.interfaces)
        column->addWidget(
            interfaceBlock(info, info.bsdName == model.primaryInterface, model.bits, appearance));
    return new DisclosureRow(QStringLiteral("Interfaces"), interfacesSummary(model.interfaces),
                             true, false, std::move(expanded), content, overrides, appearance);
}

} // namespace morvanex::ui::network
