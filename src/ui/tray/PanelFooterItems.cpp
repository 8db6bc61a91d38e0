#include "ui/tray/PanelFooterItems.h"

#include "monitors/NetworkMonitor.h"

namespace morvanex::ui {

using platform::SystemLink;

std::optional<QString> copyableLocalAddress(const NetworkMonitor& network) {
    if (!network.primaryInterface)
        return std::nullopt;
    for (const InterfaceInfo& info : network.interfaces) {
        if (info.bsdName != *network.primaryInterface)
            continue;
        if (info.ipv4.isEmpty())
            return std::nullopt;
        return info.ipv4.front();
    }
    return std::nullopt;
}

namespace {

FooterItem item(const QString& title, std::function<void()> action) {
    return FooterItem{QUuid::createUuid(), title, std::nullopt, std::move(action)};
}

std::vector<FooterItem> ownItems(std::optional<ModuleKind> shown,
                                 const std::optional<QString>& localAddress,
                                 const FooterActions& a) {
    if (!shown)
        return {};
    const auto installedName = [&a](SystemLink l) {
        return a.linkName ? a.linkName(l) : std::nullopt;
    };
    // The item of a link, titled by the program's name; nothing when none is installed.
    const auto linkItem = [&a, &installedName](SystemLink l, const auto& title) {
        std::vector<FooterItem> items;
        if (const auto name = installedName(l))
            items.push_back(item(title(*name), [&a, l] { a.openLink(l); }));
        return items;
    };
    const auto open = [](const QString& name) { return QStringLiteral("Open ") + name; };
    const auto fixed = [](const char* title) {
        return [title](const QString&) { return QString::fromUtf8(title); };
    };
    const auto openPane = [&a](const QString& pane) {
        return [&a, pane] {
            a.selectSettingsPane(pane);
            a.openSettings();
        };
    };
    switch (*shown) {
    case ModuleKind::combined:
        return {item(QStringLiteral("Customize Overview…"), openPane(QStringLiteral("overview")))};
    case ModuleKind::cpu:
    case ModuleKind::gpu:
    case ModuleKind::memory:
        return linkItem(SystemLink::systemMonitor, open);
    case ModuleKind::disks:
        return linkItem(SystemLink::diskUtility, open);
    case ModuleKind::network: {
        std::vector<FooterItem> items;
        if (localAddress)
            items.push_back(item(QStringLiteral("Copy Local IP Address"),
                                 [&a, address = *localAddress] { a.copy(address); }));
        for (FooterItem& settings :
             linkItem(SystemLink::networkSettings, fixed("Network Settings…")))
            items.push_back(std::move(settings));
        return items;
    }
    case ModuleKind::sensors:
        return {};
    case ModuleKind::battery:
        return linkItem(SystemLink::batterySettings, fixed("Battery Settings…"));
    case ModuleKind::weather:
    case ModuleKind::astronomy:
        return {item(QStringLiteral("Refresh Weather"), [&a] { a.refreshWeather(); }),
                item(QStringLiteral("Change Location…"), openPane(QStringLiteral("weather")))};
    case ModuleKind::time:
        return linkItem(SystemLink::dateTimeSettings, fixed("Date & Time Settings…"));
    }
    return {};
}

} // namespace

std::vector<FooterItem> footerItems(std::optional<ModuleKind> shown, bool deviceShown,
                                    const std::optional<QString>& localAddress,
                                    const FooterActions& actions) {
    // The actions are captured by value in the wrapped items below, so the lists above may
    // refer to this copy.
    auto shared = std::make_shared<const FooterActions>(actions);
    std::vector<FooterItem> items =
        deviceShown ? std::vector<FooterItem>{} : ownItems(shown, localAddress, *shared);
    FooterItem settings =
        item(QStringLiteral("Morvanex Settings…"), [shared] { shared->openSettings(); });
    settings.shortcut = settingsShortcutText;
    items.push_back(std::move(settings));

    std::vector<FooterItem> wrapped;
    wrapped.reserve(items.size());
    for (FooterItem& i : items) {
        wrapped.push_back(FooterItem{QUuid::createUuid(), i.title, i.shortcut,
                                     [shared, own = std::move(i.action)] {
                                         // Closing first: the dropdown must be gone before
                                         // another window opens or the clipboard changes.
                                         shared->dismiss();
                                         own();
                                     }});
    }
    return wrapped;
}

} // namespace morvanex::ui
